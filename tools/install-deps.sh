#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only missing packages are installed, so a second run costs a dpkg query.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config make
    qt6-base-dev qt6-declarative-dev qt6-declarative-dev-tools
    qt6-shadertools-dev spirv-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    qml6-module-qtqml qml6-module-qtquick qml6-module-qtquick-window
    qml6-module-qtquick-templates
    qml6-module-qtqml-workerscript qt6-qpa-plugins libqt6opengl6-dev
    libgl1-mesa-dri fonts-dejavu-core
    libfaad-dev libpulse-dev
)
if [[ "${1:-}" == "--test" ]]; then
    # Modules only the tests and the benchmarks' baselines use.
    packages+=(qml6-module-qttest qt6-multimedia-dev)
    # Tests drive a real X server and record a real sound server.
    packages+=(xvfb xauth x11-utils xdotool pulseaudio pulseaudio-utils sox ffmpeg clang libclang-rt-14-dev)
    # The second kind of test session: PipeWire with its session manager and PulseAudio service.
    packages+=(pipewire pipewire-bin pipewire-pulse wireplumber dbus-daemon)
    # A desktop's session bus, as on every X11 desktop: libdbus autolaunches one for the display,
    # and one pass runs under a bus already running, so the tests show they never touch it.
    packages+=(dbus-x11)
    # The launcher entry and AppStream validators; the Debian package's build and its checks.
    packages+=(desktop-file-utils appstream dpkg-dev file python3)
    packages+=(build-essential debhelper lintian devscripts)
    # The app as a Wayland client of a private weston.
    packages+=(weston qt6-wayland)
    # A window manager for the window's own controls; a screen reader's bus and bindings.
    packages+=(openbox at-spi2-core python3-pyatspi)
    # Static analysis and memcheck (make lint, make memcheck).
    packages+=(clang-tidy cppcheck valgrind)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
