#!/usr/bin/env bash
# A 5 GiB sparse file streams through the file reader and the raw-job sender with a small, fixed memory.
#
#   stream_memory.sh PROBE
#
# Runs PROBE (ks_stream_probe) on the file under an address-space limit of 1 GiB, far below the
# file's size: a path that held the whole file could not even get the memory for it. Then the
# peak resident size must stay under 32 MiB and every byte must have been sent.
set -euo pipefail
probe=$1
dir=$(mktemp -d /tmp/ks-stream.XXXXXX)
trap 'rm -rf "$dir"' EXIT
size=$((5 << 30))
truncate -s "$size" "$dir/sparse.bin"
read -r sent rss outcome < <(prlimit --as=$((1 << 30)) -- "$probe" "$dir/sparse.bin")
echo "sent $sent of $size bytes, peak resident size $rss KiB, $outcome"
[[ $outcome == delivered ]] || { echo "FAIL: the job was not delivered whole" >&2; exit 1; }
[[ $sent == "$size" ]] || { echo "FAIL: $sent bytes sent, not $size" >&2; exit 1; }
((rss < 32 * 1024)) || { echo "FAIL: peak resident size $rss KiB, not under 32 MiB" >&2; exit 1; }
