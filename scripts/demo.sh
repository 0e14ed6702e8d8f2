#!/usr/bin/env bash
# Kestrune on simulated devices, for a first look without hardware.
#
# Builds what is missing, then makes two private network namespaces joined
# by one veth pair: kestrune-devsim plays DEMO_DEVICES devices (default 24)
# on one end, Kestrune runs on the other end and shows on your display.
# Neither end is joined to any real interface, so no frame leaves the pair.
# Closing Kestrune stops the simulator and deletes both namespaces (also on
# Ctrl+C or an error).
#
# Needs root for the namespaces (it asks through sudo when run as a user).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
devices=${DEMO_DEVICES:-24}

if [ "$(id -u)" -ne 0 ]; then
  # Keep the user's display: the window opens there.
  xauth_file=${XAUTHORITY:-$HOME/.Xauthority}
  exec sudo env DISPLAY="${DISPLAY:-}" WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" \
    XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-}" XAUTHORITY="$xauth_file" \
    BUILD_DIR="$build_dir" DEMO_DEVICES="$devices" bash "$0" "$@"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: no display (DISPLAY or WAYLAND_DISPLAY) to show Kestrune on" >&2
  exit 1
fi

if [ ! -x "$build_dir/bin/kestrune" ] || [ ! -x "$build_dir/bin/kestrune-devsim" ]; then
  bash "$root/scripts/install-deps.sh"
  BUILD_DIR=$build_dir bash "$root/scripts/build.sh"
fi

# Unique names, so that several demos (or test runs) never collide; interface
# names stay within the kernel's 15 characters.
suffix=$(printf '%x%04x' $$ $((RANDOM)))
tool_ns=kestrune-demo-tool-$suffix
device_ns=kestrune-demo-dev-$suffix
tool_if=kt${suffix:0:12}
device_if=kd${suffix:0:12}
log=$(mktemp /tmp/kestrune-demo-devsim.XXXXXX)
devsim_pid=""

cleanup() {
  set +e
  if [ -n "$devsim_pid" ]; then
    kill -TERM "$devsim_pid" 2>/dev/null
    wait "$devsim_pid" 2>/dev/null
  fi
  ip netns del "$tool_ns" 2>/dev/null
  ip netns del "$device_ns" 2>/dev/null
  rm -f "$log"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip netns add "$tool_ns"
ip netns add "$device_ns"
# The pair is born inside the tool namespace with its peer already in the
# device namespace: it never exists beside the machine's own interfaces.
ip -n "$tool_ns" link add "$tool_if" type veth peer name "$device_if" netns "$device_ns"
ip -n "$tool_ns" link set lo up
ip -n "$device_ns" link set lo up
ip -n "$tool_ns" link set "$tool_if" up
ip -n "$device_ns" link set "$device_if" up

ip netns exec "$device_ns" "$build_dir/bin/kestrune-devsim" \
  --interface "$device_if" --devices "$devices" >"$log" 2>&1 &
devsim_pid=$!
for _ in $(seq 100); do
  grep -q '^READY' "$log" && break
  if ! kill -0 "$devsim_pid" 2>/dev/null; then
    echo "demo: the simulator ended early:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1
done
grep -q '^READY' "$log" || { echo "demo: the simulator did not start" >&2; exit 1; }

echo "demo: $devices simulated devices on $device_if; Kestrune faces $tool_if."
echo "demo: press \"Scan Devices\"; close Kestrune to end the demo."
ip netns exec "$tool_ns" "$build_dir/bin/kestrune" "$@"
