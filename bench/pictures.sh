# Shared by the benchmark scripts: installs the tools they need (Debian 12), builds xkorvo-cli
# optimised and without sanitizers in build-bench/build, and fetches the benchmark photographs
# from Debian's wallpaper packages as 24-bit BMP (and PNG) files in build-bench/pictures.
# Sourced with ROOT set to the repository; sets WORK, CLI, CONVERT and the array `pictures`
# ("package file name" per photograph; QUICK=1 keeps the first).

WORK=$ROOT/build-bench
SUDO=""
[[ $(id -u) -ne 0 ]] && SUDO=sudo

need=()
[[ -x /usr/bin/pngquant ]] || need+=(pngquant)
# A real ImageMagick: its convert is an alternatives link into the package.
dpkg -s imagemagick >/dev/null 2>&1 || need+=(imagemagick)
[[ -x /usr/bin/time ]] || need+=(time)
# Pillow's fast octree is the quickest reducer we know; the system's Python runs it.
/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1 || need+=(python3-pil)
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
if ((${#need[@]})); then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}" >/dev/null
fi
CONVERT=/usr/bin/convert

if [[ -z ${CLI:-} ]]; then
  cmake -S "$ROOT" -B "$WORK/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DXKORVO_BENCH=ON >/dev/null
  cmake --build "$WORK/build" --target xkorvo-cli >/dev/null
  CLI=$WORK/build/bin/xkorvo-cli
fi

# Photographs of 12 megapixels and more, unpacked (not installed) into the work folder.
mkdir -p "$WORK/debs" "$WORK/pictures" "$WORK/out"
pictures=(
  "mate-backgrounds usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg elephants"
  "plasma-workspace-wallpapers usr/share/wallpapers/SafeLanding/contents/images/5120x2880.jpg landing"
)
((${QUICK:-0})) && pictures=("${pictures[0]}")
for entry in "${pictures[@]}"; do
  read -r package file name <<<"$entry"
  if [[ ! -f $WORK/pictures/$name.bmp ]]; then
    if ! ls "$WORK/debs/${package}"_*.deb >/dev/null 2>&1; then
      (cd "$WORK/debs" && apt-get download -qq "$package" >/dev/null 2>&1) || {
        $SUDO apt-get update -qq && (cd "$WORK/debs" && apt-get download -qq "$package")
      }
    fi
    rm -rf "$WORK/unpack" && mkdir -p "$WORK/unpack"
    dpkg -x "$WORK/debs/${package}"_*.deb "$WORK/unpack"
    $CONVERT "$WORK/unpack/$file" -type TrueColor "BMP3:$WORK/pictures/$name.bmp"
    $CONVERT "$WORK/unpack/$file" -define png:compression-level=1 "$WORK/pictures/$name.png"
    rm -rf "$WORK/unpack"
  fi
done
