# Shared by the scripts: the release build that scripts/run starts.
release_build=build/release

build_release() {
  cmake -S . -B "$release_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DSPRITEWRIGHT_TESTS=OFF -DSPRITEWRIGHT_BENCH=OFF >/dev/null
  cmake --build "$release_build"
}
