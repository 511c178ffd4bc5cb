# GoogleTest and GoogleMock built inside the project from the sources Debian ships in the
# googletest package, for compilers that have no packaged build (the MinGW-w64 cross build).
# Gives the same GTest:: targets as find_package(GTest).
set(QVR_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${QVR_GOOGLETEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
