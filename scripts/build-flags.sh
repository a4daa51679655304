# shellcheck shell=bash
# Sourced by the build scripts (the working directory is the source tree).
#
# launcher: compile through ccache when it is installed. Paths below the
# source tree are hashed relative to it, and the build folder's own path not
# at all, so a clone in another folder with the same build-folder names finds
# what an earlier run, a work tree or another clone compiled.
#
# test_build: the configuration of the test and demonstration builds, the
# same in both so that either command reuses the other's build. Line tables
# (-g1) are debug information enough for backtraces and profiles, and build
# a third faster than full -g.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
  CCACHE_NOHASHDIR=1
  export CCACHE_BASEDIR CCACHE_NOHASHDIR
fi
# shellcheck disable=SC2034  # used by the scripts that source this
test_build=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
  "${launcher[@]}")
