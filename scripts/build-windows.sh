#!/usr/bin/env bash
# Cross-builds the six libraries and netrov-cli for Windows with Debian's
# mingw-w64 into <build>/netrov/ (the program folder with the other/ package),
# and with --test runs the Windows tests: under Wine where it starts, else
# only the checks that need no Windows to run. --abi builds only the
# libraries and netrov-cli and runs only the export and record-layout checks:
# what a second pointer width proves beyond the other build's suites.
#
#   scripts/build-windows.sh [--arch x86_64|i686] [--test | --abi] [build-dir]
#
# libexpat is built from Debian's source package (fetched through a private
# apt configuration with a deb-src line; the machine's own is not touched),
# GoogleTest from /usr/src/googletest. Nothing else is downloaded.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

arch=x86_64
run_tests=0
build=
while (($#)); do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --arch=*) arch=${1#--arch=}; shift ;;
    --test) run_tests=1; shift ;;
    --abi) run_tests=abi; shift ;;
    -h | --help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "build-windows: unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
case "$arch" in
  x86_64 | i686) ;;
  *) echo "build-windows: --arch is x86_64 or i686, not $arch" >&2; exit 2 ;;
esac
build=$(realpath -m "${build:-build-windows-$arch}")
toolchain=$root/cmake/toolchain-windows-$arch.cmake
prefix=$build/deps/prefix
jobs=$(nproc)
# shellcheck source=scripts/build-flags.sh
. scripts/build-flags.sh  # launcher: ccache when it is there

# Wine's i386 half (and dpkg's i386 architecture) only when 32-bit programs will run.
wine32=()
[ "$run_tests" = 1 ] && [ "$arch" = i686 ] && wine32=(--wine32)
scripts/setup.sh --windows "${wine32[@]}"

# libexpat: Debian's bookworm source, one fetch for both architectures.
sources=$root/build-windows-sources
if [ ! -d "$sources/expat" ]; then
  echo "== libexpat source (apt-get source expat)"
  apt_dir=$sources/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$sources/fetch"
  # The archive this machine's apt uses: a local mirror or proxy works as it does for apt.
  # shellcheck source=scripts/debian-mirror.sh
  . "$root/scripts/debian-mirror.sh"
  mirror=$(debian_mirror bookworm) || exit 1
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm main" \
    > "$apt_dir/sources.list"
  cat > "$apt_dir/apt.conf" <<EOF
Dir::Etc::SourceList "$apt_dir/sources.list";
Dir::Etc::SourceParts "$apt_dir/none";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache "$apt_dir/cache";
APT::Sandbox::User "root";
EOF
  export APT_CONFIG=$apt_dir/apt.conf
  # shellcheck source=scripts/apt.sh
  . "$root/scripts/apt.sh"
  apt_root=()  # apt's own directories here are private ones
  apt_update
  (cd "$sources/fetch" && apt-get source -qq expat)
  unset APT_CONFIG
  unpacked=$(find "$sources/fetch" -maxdepth 1 -type d -name 'expat-*' | head -n 1)
  [ -n "$unpacked" ] || { echo "build-windows: apt-get source expat unpacked nothing" >&2; exit 1; }
  mv "$unpacked" "$sources/expat"
fi

dep_build() {  # name source-dir cmake-options...
  local name=$1 src=$2
  shift 2
  [ -f "$build/deps/$name.done" ] && return 0
  local log=$build/deps/$name.log
  echo "== $name for $arch"
  { cmake -S "$src" -B "$build/deps/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "${launcher[@]}" "$@" &&
    cmake --build "$build/deps/$name" -j "$jobs" &&
    cmake --install "$build/deps/$name"; } > "$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
  touch "$build/deps/$name.done"
}
mkdir -p "$build/deps"
# libexpat as a static library linked into zomxml.dll. Debian builds it with
# its configure script; the CMake build serves here once its XML_DTD is 1, as
# configure defines it and the security patches test it.
if [ ! -f "$build/deps/expat.done" ]; then
  sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine01 XML_DTD/' "$sources/expat/expat/expat_config.h.cmake"
fi
dep_build expat "$sources/expat/expat" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
  -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF
dep_build googletest /usr/src/googletest -DBUILD_GMOCK=ON

# CLI11 and nlohmann-json are headers only: the host's copies serve as they are.
for dir in include/CLI include/nlohmann share/cmake/CLI11 share/cmake/nlohmann_json; do
  if [ ! -e "$prefix/$dir" ]; then
    mkdir -p "$(dirname "$prefix/$dir")"
    cp -r "/usr/$dir" "$prefix/$dir"
  fi
done

# A Linux build beside this one lets the end-to-end test compare reports.
native=()
[ -x "$root/build/netrov/netrov-cli" ] && native=(-DNETROV_NATIVE_CLI="$root/build/netrov/netrov-cli")

echo "== NetRov for Windows ($arch) in $build"
# Optimised, without debug information: it makes the statically linked
# modules slow to link and large.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DNETROV_WINDOWS_PREFIX="$prefix" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh" "${launcher[@]}" "${native[@]}" > "$build/configure.log" \
  || { cat "$build/configure.log"; exit 1; }
if [ "$run_tests" = abi ]; then
  cmake --build "$build" -j "$jobs" --target zomini zomxml zomsnmp tuva tessel mirrel netrov-cli
  scripts/test-windows.sh "$build" --abi
  exit
fi
cmake --build "$build" -j "$jobs"
echo "build-windows: $build/netrov holds the program folder"

[ "$run_tests" = 1 ] || exit 0
scripts/test-windows.sh "$build"
