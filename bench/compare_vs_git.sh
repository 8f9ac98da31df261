#!/usr/bin/env bash
# Times scrivane-compare against git's character-level word diff on two generated pairs of
# large texts and prints both times and their ratio. Builds nothing:
#
#   bench/compare_vs_git.sh PATH/TO/scrivane-compare [MEGABYTES [RUNS]]
#
# The pairs (written once to $COMPARE_VS_GIT_DIR, default /tmp/compare_vs_git) are generated
# deterministically, with a fixed-seed generator of its own, so every run and every machine
# compares the same bytes:
#   similar    English-like words with CR LF line ends, and a copy with 1000 scattered small
#              edits (1 to 8 bytes inserted, deleted or replaced)
#   unrelated  two such texts made from different seeds
# Each process is timed whole (reading, comparing, writing to /dev/null), RUNS times (default
# 3; the fastest run counts), with hyperfine when it is installed. git needs minutes on large
# unrelated texts: it runs once there, stopped after $GIT_LIMIT seconds (default 300), and a
# stopped run is shown as ">LIMIT", its ratio as "<" the ratio to the limit.
set -euo pipefail

if [[ $# -lt 1 || ! -x $1 ]]; then
    echo "usage: $0 PATH/TO/scrivane-compare [MEGABYTES [RUNS]]" >&2
    exit 2
fi
tool=$(realpath "$1")
megabytes=${2:-10}
runs=${3:-3}
git_limit=${GIT_LIMIT:-300}
dir=${COMPARE_VS_GIT_DIR:-/tmp/compare_vs_git}
mkdir -p "$dir"

generate() {
    python3 - "$dir" "$megabytes" <<'EOF'
import os
import sys

directory, megabytes = sys.argv[1], int(sys.argv[2])
size = megabytes << 20


class Rng:
    """xorshift64*: the same numbers on every Python version."""

    def __init__(self, seed):
        self.state = (seed * 0x9E3779B97F4A7C15 + 1) & 0xFFFFFFFFFFFFFFFF

    def next(self):
        x = self.state
        x ^= x >> 12
        x ^= (x << 25) & 0xFFFFFFFFFFFFFFFF
        x ^= x >> 27
        self.state = x
        return (x * 0x2545F4914F6CDD1D) >> 32 & 0xFFFFFFFF

    def below(self, n):
        return self.next() % n


vocabulary_rng = Rng(42)
vocabulary = []
for _ in range(2000):
    length = 2 + vocabulary_rng.below(8)
    vocabulary.append(bytes(97 + vocabulary_rng.below(26) for _ in range(length)))


def words(length, seed):
    rng = Rng(seed)
    out = bytearray()
    line = 0
    while len(out) < length:
        # Zipf-like: short common words come up far more often.
        out += vocabulary[rng.below(2000) * rng.below(2000) // 2000]
        if len(out) - line > 60:
            out += b"\r\n"
            line = len(out)
        else:
            out += b" "
    return out[:length]


def edited(text, edits, seed):
    rng = Rng(seed)
    places = sorted(rng.below(len(text)) for _ in range(edits))
    out = []
    pos = 0  # text before pos is copied or deleted already
    for n, at in enumerate(places):
        at = max(at, pos)
        out.append(text[pos:at])
        length = 1 + rng.below(8)
        kind = rng.below(3)
        if kind != 1:  # insertion or replacement
            out.append(words(length, 1000 + n))
        pos = at if kind == 0 else min(at + length, len(text))
    out.append(text[pos:])
    return b"".join(out)


def write(name, data):
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


old = words(size, 1)
write("similar.old", old)
write("similar.new", edited(old, 1000, 2))
write("unrelated.old", words(size, 3))
write("unrelated.new", words(size, 4))
EOF
}

stamp="$dir/.made-$megabytes"
if [[ ! -f $stamp ]]; then
    echo "generating ${megabytes} MB pairs in $dir ..." >&2
    rm -f "$dir"/.made-*
    generate
    touch "$stamp"
fi

# The fastest of `count` runs of a command, in seconds, or "" when a run took longer than
# `limit` seconds. Exit status 1 (texts differ) is normal.
best_time() {
    local count=$1 limit=$2
    shift 2
    if command -v hyperfine >/dev/null && [[ $limit == 0 ]]; then
        local json
        json=$(mktemp)
        hyperfine --runs "$count" --warmup 0 -i --style none --export-json "$json" "$*" >/dev/null
        python3 -c 'import json,sys; print(min(json.load(open(sys.argv[1]))["results"][0]["times"]))' "$json"
        rm -f "$json"
        return
    fi
    local best="" start end elapsed status
    for ((i = 0; i < count; i++)); do
        start=$(date +%s.%N)
        status=0
        if [[ $limit == 0 ]]; then
            bash -c "$*" >/dev/null 2>&1 || status=$?
        else
            timeout "$limit" bash -c "$*" >/dev/null 2>&1 || status=$?
        fi
        end=$(date +%s.%N)
        if [[ $status == 124 ]]; then
            echo ""
            return
        fi
        elapsed=$(echo "$end - $start" | bc -l)
        if [[ -z $best ]] || (($(echo "$elapsed < $best" | bc -l))); then best=$elapsed; fi
    done
    echo "$best"
}

echo "${megabytes} MB pairs, best of $runs runs (git: once on the unrelated pair)"
printf '%-10s %14s %14s %10s\n' pair "scrivane (s)" "git (s)" ratio
for pair in similar unrelated; do
    new="$dir/$pair.new"
    old="$dir/$pair.old"
    git_runs=$runs
    [[ $pair == unrelated ]] && git_runs=1
    ours=$(best_time "$runs" 0 "'$tool' '$new' '$old'")
    theirs=$(best_time "$git_runs" "$git_limit" \
        "git diff --no-index --word-diff=porcelain --word-diff-regex=. '$old' '$new'")
    if [[ -z $theirs ]]; then
        printf '%-10s %14.3f %14s %10s\n' "$pair" "$ours" ">$git_limit" \
            "<$(printf '%.4f' "$(echo "$ours / $git_limit" | bc -l)")"
    else
        printf '%-10s %14.3f %14.3f %10.4f\n' "$pair" "$ours" "$theirs" \
            "$(echo "$ours / $theirs" | bc -l)"
    fi
done
