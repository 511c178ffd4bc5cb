// The kernel's search state beside its tree: one pass list and one near-block list per search
// slot, each the answer of the slot's last search and owned by the kernel until the next.
#ifndef QVR_SEARCH_SEARCH_SLOTS_H
#define QVR_SEARCH_SEARCH_SLOTS_H

#include "QVROptKer.h"

namespace qvr {

// Makes both slot tables hold exactly slotCount entries. Lists of slots that remain are kept;
// lists of dropped slots are released; new entries are empty.
void resizeSlotTables(CQVROptKer& kernel, int slotCount);
// Releases both slot tables with every list in them.
void releaseSlotTables(CQVROptKer& kernel);

// A list that callers may read but that is never released: the answer of a search that
// cannot run (no tree, slot out of range).
const int* emptySearchList();

// Whether `slot` names an existing entry of the slot tables.
bool slotInRange(const CQVROptKer& kernel, int slot);

}  // namespace qvr

#endif
