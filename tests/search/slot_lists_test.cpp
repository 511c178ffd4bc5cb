// The tree's per-slot found lists and work queues, which a slot gets on its first search that
// walks the tree or keeps a result: slots first used in any order and by any kind of search
// answer as a slot used from the start, a slot the ray walk's index served first still answers
// the public near block search, growth leaves unused slots without lists, and a first search
// whose lists cannot be allocated leaves the slot as it was and the next one succeeds.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <vector>

#include "KernelMeshBuilder.h"
#include "MemoryCheckers.h"
#include "QVROptKer.h"
#include "geometry/ray_pass_search.h"
#include "search/CQvrADT.h"

// fork, an address-space cap and mallinfo2 (glibc 2.33 and later).
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
#define QVR_TEST_CAPPED_CHILD 1
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <new>
#endif

namespace {

using qvrtest::CellKind;
using qvrtest::KernelMeshBuilder;

constexpr int kSlots = 4;

struct Box {
    double lo[3], hi[3];
};
struct Ray {
    double p[3], d[3];
};

// A box around a few cells (answered through the walk index), one over the whole part (answered
// by the tree's own walk), one beside the part (nothing found).
const Box kSmallBox{{0.9, 0.9, 0.4}, {1.2, 1.1, 0.6}};
const Box kWholePart{{-1, -1, -1}, {10, 10, 10}};
const Box kBesideThePart{{20, 20, 20}, {21, 21, 21}};
// A ray across the first plate's thickness, and one along it into the gap between the plates
// (its last step meets nothing, so it keeps no found list).
const Ray kAcross{{1.05, 1.05, 0.0}, {0, 0.1, 1}};
const Ray kIntoTheGap{{3.3, 1.05, 0.45}, {1, 0.05, 0}};

// Two plates of tetrahedra side by side, 0.5 apart along x (many ray steps).
KernelMeshBuilder plates() {
    KernelMeshBuilder b;
    b.addBlock({CellKind::Tet, 8, 6, 3, 0.0, 0.0, 0.0, 0.5, 0.5, 0.3});
    b.addBlock({CellKind::Tet, 3, 6, 3, 4.5, 0.0, 0.0, 0.5, 0.5, 0.3});
    return b;
}

std::size_t elementCount(const KernelMeshBuilder& b) { return b.cells().size() + b.faces().size(); }

std::vector<int> near(CQVROptKer& k, const Box& b, int slot) {
    int count = -1;
    const int* ids =
        k.SearchNearBlockID(b.lo[0], b.lo[1], b.lo[2], b.hi[0], b.hi[1], b.hi[2], count, slot);
    return {ids, ids + count};
}

std::vector<int> pass(CQVROptKer& k, const Ray& r, int slot) {
    int count = -1;
    const int* ids =
        k.FindPassElemByAnyRay(count, r.p[0], r.p[1], r.p[2], r.d[0], r.d[1], r.d[2], slot);
    return {ids, ids + count};
}

// The tree's found list of the slot: it must always be readable.
std::vector<int> treeFound(const CQvrADT& t, int slot) {
    const int* list = t.GetFoundList(slot);
    EXPECT_NE(list, nullptr) << "slot " << slot;
    if (list == nullptr) return {};
    return {list + 1, list + 1 + t.GetFoundCount(slot)};
}

// What one search leaves: its own list, and the tree's found list of the slot.
struct Answer {
    std::vector<int> list, found;
    bool operator==(const Answer&) const = default;
};

enum class Query { SmallBox, WholePart, BesideThePart, IntoTheGap, Across };

Answer ask(CQVROptKer& k, Query q, int slot) {
    Answer a;
    switch (q) {
        case Query::SmallBox: a.list = near(k, kSmallBox, slot); break;
        case Query::WholePart: a.list = near(k, kWholePart, slot); break;
        case Query::BesideThePart: a.list = near(k, kBesideThePart, slot); break;
        case Query::IntoTheGap: a.list = pass(k, kIntoTheGap, slot); break;
        case Query::Across: a.list = pass(k, kAcross, slot); break;
    }
    a.found = treeFound(*k.m_pADTree, slot);
    return a;
}

TEST(SlotLists, SlotsFirstUsedInAnyOrderAnswerAsAFreshOneSlotKernel) {
    const KernelMeshBuilder b = plates();
    const std::vector<Query> all{Query::SmallBox, Query::WholePart, Query::BesideThePart,
                                 Query::IntoTheGap, Query::Across};
    // Each query first on a fresh one-slot kernel, then each first on its own slot of one
    // kernel, the slots taken out of order; every slot's answer stays while the others work.
    std::vector<Answer> alone;
    for (Query q : all) {
        CQVROptKer k;
        b.install(k);
        k.InitialzeSearch(1);
        alone.push_back(ask(k, q, 0));
    }
    EXPECT_FALSE(alone[0].found.empty());
    EXPECT_EQ(alone[1].found.size(), elementCount(b));
    EXPECT_TRUE(alone[2].list.empty());
    EXPECT_FALSE(alone[3].list.empty());
    EXPECT_TRUE(alone[3].found.empty());  // the walk ended at a step that met nothing
    EXPECT_FALSE(alone[4].list.empty());

    for (const std::vector<int>& order : {std::vector<int>{2, 0, 3, 1}, {3, 1, 0, 2}}) {
        CQVROptKer k;
        b.install(k);
        k.InitialzeSearch(kSlots);
        for (int slot = 0; slot < kSlots; ++slot)
            EXPECT_TRUE(treeFound(*k.m_pADTree, slot).empty());
        std::vector<Answer> kept(all.size());
        for (std::size_t i = 0; i < all.size(); ++i) {
            const int slot = order[i % order.size()];
            kept[i] = ask(k, all[i], slot);
            EXPECT_EQ(kept[i], alone[i]) << "query " << i << " first on slot " << slot;
        }
        // The last query on each slot is still its answer (the fifth query reused a slot).
        for (std::size_t i = all.size() - order.size(); i < all.size(); ++i) {
            EXPECT_EQ(treeFound(*k.m_pADTree, order[i % order.size()]), alone[i].found) << i;
        }
    }
}

TEST(SlotLists, NearBlockSearchOnASlotTheToolsWalkServedFirst) {
    const KernelMeshBuilder b = plates();
    CQVROptKer fresh;
    b.install(fresh);
    fresh.InitialzeSearch(1);
    const Answer want = ask(fresh, Query::SmallBox, 0);

    CQVROptKer k;
    b.install(k);
    k.InitialzeSearch(2);
    for (const Ray& r : {kAcross, kIntoTheGap}) {
        const std::vector<int>* passed =
            qvr::ray::passedElementsAnyOrder(k, r.p[0], r.p[1], r.p[2], r.d[0], r.d[1], r.d[2], 1);
        ASSERT_NE(passed, nullptr);
        EXPECT_FALSE(passed->empty());
    }
    EXPECT_EQ(k.m_pADTree->foundList[1], nullptr);  // the tool's walks keep no found list
    EXPECT_EQ(ask(k, Query::SmallBox, 1), want);
    EXPECT_EQ(ask(k, Query::WholePart, 1).found.size(), elementCount(b));
    EXPECT_EQ(k.m_pADTree->foundList[0], nullptr);
}

TEST(SlotLists, GrowthCarriesUsedSlotsAndLeavesTheOthersWithout) {
    CQvrADT t(3);
    ASSERT_EQ(t.SetRange(0, 0, 0, 100, 100, 100, 8, 4000, 8), 0);
    for (int id = 1; id <= 8; ++id)
        ASSERT_EQ(t.AddBlock(id, id, id, id, id + 1, id + 1, id + 1), 0);
    t.SearchBlock(0, 0, 0, 4, 4, 4, 1);
    const std::vector<int> kept = treeFound(t, 1);
    ASSERT_EQ(kept.size(), 4u);
    for (int id = 9; id <= 3000; ++id) {
        const double c = 0.03 * id;
        ASSERT_EQ(t.AddBlock(id, c, c, c, c + 0.1, c + 0.1, c + 0.1), 0);
    }
    ASSERT_GE(t.stored, 3000);
    EXPECT_EQ(treeFound(t, 1), kept);
    EXPECT_EQ(t.foundList[0], nullptr);
    EXPECT_EQ(t.foundList[2], nullptr);
    // The first search on a slot after the growth walks every id stored.
    t.SearchBlock(0, 0, 0, 100, 100, 100, 2);
    EXPECT_EQ(treeFound(t, 2).size(), 3000u);
    // A new range drops every slot's lists and results.
    ASSERT_EQ(t.SetRange(0, 0, 0, 1, 1, 1, 8, 8), 0);
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(t.foundList[slot], nullptr);
        EXPECT_TRUE(treeFound(t, slot).empty());
    }
}

// The first search of a slot under an address-space cap that leaves no room for its lists: it
// raises std::bad_alloc, the slot keeps no result and no lists, the other slot keeps its result,
// and with the cap lifted the same search on the slot answers as the other did. In a child
// process (the cap must not reach the test runner). The lists are larger than all the free
// memory the allocator holds, so no earlier release can serve them within the cap.
TEST(SlotLists, RefusedFirstAllocationLeavesTheSlotAsItWasAndTheNextSearchWorks) {
#if !defined(QVR_TEST_CAPPED_CHILD)
    GTEST_SKIP() << "needs fork, an address-space cap and glibc's allocator statistics";
#else
    if (qvrtest::kUnderAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer reports a failed operator new instead of throwing";
    if (qvrtest::underValgrind())
        GTEST_SKIP() << "valgrind's allocator aborts on a failed operator new";
    enum : int { kPassed = 0, kFailed = 1, kNoRoomToTest = 2 };
    const auto body = [] {
        constexpr int kIds = 500000;  // lists of 2 MB each
        CQvrADT t(2);
        t.SetRange(0, 0, 0, 100, 100, 100, kIds, 1000, kIds);
        for (int id = 1; id <= 64; ++id) t.AddBlock(id, id, 1, 1, id + 0.5, 2, 2);
        t.SearchBlock(0, 0, 0, 10, 10, 10, 0);
        const std::vector<int> want = treeFound(t, 0);
        malloc_trim(0);
        const std::size_t listBytes = sizeof(int) * (static_cast<std::size_t>(kIds) + 1);
        if (mallinfo2().fordblks >= listBytes) return kNoRoomToTest;
        rlimit before{};
        long pages = 0;
        FILE* statm = std::fopen("/proc/self/statm", "r");
        if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1 ||
            getrlimit(RLIMIT_AS, &before) != 0)
            return kFailed;
        std::fclose(statm);
        const rlim_t cap =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + listBytes / 2;
        const rlimit capped{cap, before.rlim_max};
        if (setrlimit(RLIMIT_AS, &capped) != 0) return kFailed;
        bool refused = false;
        try {
            t.SearchBlock(0, 0, 0, 10, 10, 10, 1);
        } catch (const std::bad_alloc&) {
            refused = true;
        }
        const bool leftAsItWas = refused && t.foundList[1] == nullptr && t.queue[1] == nullptr &&
                                 t.GetFoundCount(1) == 0 && t.GetFoundList(1) != nullptr &&
                                 treeFound(t, 0) == want;
        if (setrlimit(RLIMIT_AS, &before) != 0) return kFailed;
        t.SearchBlock(0, 0, 0, 10, 10, 10, 1);
        return leftAsItWas && !want.empty() && treeFound(t, 1) == want ? kPassed : kFailed;
    };
    std::fflush(nullptr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(body());
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the child crashed";
    if (WEXITSTATUS(status) == kNoRoomToTest)
        GTEST_SKIP() << "the allocator holds free memory enough for the slot's lists";
    EXPECT_EQ(WEXITSTATUS(status), kPassed);
#endif
}

}  // namespace
