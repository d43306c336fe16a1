# Sourced by the benchmark scripts, after they set repo_dir.

# Prints chronyd as the tests have it, unpacked from Debian's package into a
# build tree where chrony is not installed; fetches it into build-bench/ when
# there is none yet. Never installs chrony.
bench_chronyd() {
    find_unpacked() {
        "$repo_dir/scripts/find-chronyd.sh" "$repo_dir/build-test" 2>/dev/null ||
            "$repo_dir/scripts/find-chronyd.sh" "$repo_dir/build-bench" 2>/dev/null
    }
    if ! find_unpacked; then
        "$repo_dir/scripts/fetch-chrony.sh" "$repo_dir/build-bench/test-tools/chrony" >&2
        find_unpacked
    fi
}

# Prints the newest build*/ folder that holds every program named, leaving out
# sanitizer and fuzzing builds, which would measure their instrumentation.
newest_measurable_build() {
    local newest="" folder program
    for folder in "$repo_dir"/build*/; do
        folder="${folder%/}"
        grep -q -E '^BRISVANDER_(SANITIZE|FUZZ):BOOL=ON' "$folder/CMakeCache.txt" 2>/dev/null && continue
        for program in "$@"; do
            [[ -x "$folder/bin/$program" ]] || continue 2
        done
        if [[ -z "$newest" || "$folder/bin/$1" -nt "$newest/bin/$1" ]]; then newest="$folder"; fi
    done
    echo "$newest"
}
