# shellcheck shell=bash
# Sourced by the build scripts (the working directory is the source tree).
#
# test_build: the configuration of the test and demonstration builds, the
# same in both so that either command reuses the other's build. Line tables
# (-g1) are debug information enough for backtraces and profiles, and build
# a third faster than full -g.
# shellcheck disable=SC2034  # used by the scripts that source this
test_build=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
