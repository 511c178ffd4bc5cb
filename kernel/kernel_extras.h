// The kernel's state beyond the fields the public header lays out: kept behind one private
// pointer so that the kernel's size and field offsets, which hosts compile against, stay as
// they are when this grows.
#ifndef QVR_KERNEL_KERNEL_EXTRAS_H
#define QVR_KERNEL_KERNEL_EXTRAS_H

#include <string>

// SetQuietReading's settings: everything said (the default), the reader's diagnostic kept off
// standard error, and the kernel's refusal line kept off standard output as well.
inline constexpr int kLoudReading = 0;
inline constexpr int kQuietReader = 1;
inline constexpr int kSilentReading = 2;

struct CQVROptKerExtras {
    std::string lastErrorText;  // GetLastErrorText; "" when the last load succeeded
    std::string meshUnit;       // GetMeshUnitText; "" before any mesh
    int surfacesInFile = 0;     // GetSurfaceCountInFile
    int quietReading = 0;       // SetQuietReading: 1 the reader keeps off standard error,
                                // 2 the kernel's refusal line off standard output too
};

#endif
