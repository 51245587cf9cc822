#!/bin/sh
# Locks a site of 10,000 pages of mixed sizes (most of 1 to 30 KB, one in fifty of 100 KB to 1 MB) in place and
# measures it beside copying the same tree: cp -r then sync, against quillgate-lock --recursive --relock yes with
# --jobs 1, with the default (one thread per core) and with four threads per core, each also followed by sync.
# Every page reaches the disk before it replaces the original (in batches: one flush of the file system for many
# pages). Every run locks a copy of the site of its own, and every copy is made before the first measurement and
# removed after the last: where ext4 runs without a journal, a new file skips over every inode freed in its group in
# the last minute, so files removed just before a run slow it down (a copy made right after removing the previous
# round's tree took up to six times as long as the first). A lock still pays for the files it replaces itself.
# Each figure is the best of three rounds, taken in turns so that a busy moment of the machine hits all of them
# alike, and the default run of each round is also set against that round's copy (the median is printed).
# Then a site of 200,000 pages of 1 KB, in folders of 100 to 1000 pages three levels deep like a documentation site,
# is copied with cp -r and the copy locked in place once with the default jobs, each followed by sync, to show how
# the time and the peak memory of the command grow with the number of pages (target: under 16 MB). The trees of
# the first part are removed before it, and a minute goes by after their removal before the copy is timed.
# The peak memory (GNU time's %M) is printed where /usr/bin/time is at hand (Debian package time).
# Usage: clibench.sh QUILLGATE-LOCK FOLDER
set -eu
lock=$1
base=${QUILLGATE_BENCH_DIR:-$2}
mkdir -p "$base"
# On tmpfs the figures would be those of memory, not of the disk a site is written to.
fstype=$(df --output=fstype "$base" | tail -n 1)
if [ "$fstype" = tmpfs ]; then
    echo "clibench: $base is on tmpfs; set QUILLGATE_BENCH_DIR to a folder on a disk" >&2
    exit 2
fi
work=$(mktemp -d "$base/clibench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Generating 10,000 pages in $work ($fstype)..."
mkdir "$work/site"
awk -v root="$work/site" 'BEGIN {
    srand(2026)
    line = "<p>Quillgate locks pages; this paragraph stands in for real content, with digits 0123456789.</p>\r\n"
    text = "<html><head><title>Bench</title></head><body>\r\n"
    while (length(text) < 1048576) text = text line
    for (i = 0; i < 10000; i++) {
        folder = root "/part" int(i / 100)
        if (i % 100 == 0) system("mkdir -p \"" folder "\"")
        size = (i % 50 == 49) ? 102400 + int(rand() * 946176) : 1024 + int(rand() * 29696)
        file = folder "/page" i ".html"
        printf "%s", substr(text, 1, size) > file
        close(file)
    }
}'
printf 'benchpass1\n' > "$work/password"
sync
echo "Site: $(du -sh "$work/site" | cut -f1) in $(find "$work/site" -type f | wc -l) files; $(nproc) cores"

now() { date +%s.%N; }
# Seconds taken by the command and the sync after it.
timed() {
    start=$(now)
    "$@"
    sync
    awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'
}
# The copies to lock, named by round and run, all made here.
for round in 1 2 3; do
    for run in one default many; do
        cp -r "$work/site" "$work/$run$round"
    done
done
sync
# The peak memory of the command goes to $work/rss (in KB) where GNU time is at hand.
lockrun() {
    measure=
    [ -x /usr/bin/time ] && measure="/usr/bin/time -f %M -o $work/rss"
    tree=$1
    shift
    out=$($measure "$lock" --password-file "$work/password" --recursive --relock yes --quiet "$@" "$work/$tree")
    [ "$out" = "$pages file(s) have been encrypted." ] || { echo "clibench: unexpected result: $out" >&2; exit 1; }
}
# Kilobytes as megabytes, "?" where nothing was measured.
megabytes() { awk -v k="$1" 'BEGIN { if (k ~ /^[0-9]+$/) printf "%.1f MB", k / 1024; else printf "?" }'; }
peak() { tail -n 1 "$1" 2>/dev/null || echo "?"; }
pages=10000
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

copy=
one=
default=
many=
ratios=
peakrss=
cores=$(nproc)
for round in 1 2 3; do
    seconds=$(timed cp -r "$work/site" "$work/copy$round")
    roundcopy=$seconds
    copy=$(best "$copy" "$seconds")
    echo "round $round: cp -r $seconds s"
    seconds=$(timed lockrun one$round --jobs 1)
    one=$(best "$one" "$seconds")
    echo "round $round: --jobs 1 $seconds s"
    seconds=$(timed lockrun default$round)
    default=$(best "$default" "$seconds")
    # Each round's lock is also set against its own copy. The copies of rounds 2 and 3 follow locks that freed
    # 10,000 files each (see above), which favours the lock; round 1's copy follows none.
    ratios="$ratios $(awk -v d="$seconds" -v c="$roundcopy" 'BEGIN { printf "%.3f", d / c }')"
    rss=$(peak "$work/rss")
    echo "round $round: default jobs $seconds s, peak memory $rss KB"
    peakrss=$(awk -v a="$peakrss" -v b="$rss" 'BEGIN { print (b !~ /^[0-9]+$/ || (a ~ /^[0-9]+$/ && a + 0 >= b + 0)) ? a : b }')
    seconds=$(timed lockrun many$round --jobs $((4 * cores)))
    many=$(best "$many" "$seconds")
    echo "round $round: --jobs $((4 * cores)) $seconds s"
done

# A locked page holds the original packed as text, so the run writes more bytes than the copy does.
sitebytes=$(du -sb "$work/site" | cut -f1)
lockedbytes=$(du -sb "$work/default1" | cut -f1)
awk -v s="$sitebytes" -v l="$lockedbytes" 'BEGIN { printf "bytes written: site %d, locked site %d (%.2fx)\n", s, l, l / s }'
awk -v c="$copy" -v o="$one" -v d="$default" -v m="$many" -v n="$((4 * cores))" 'BEGIN {
    printf "%-40s %8.3f s\n", "cp -r + sync", c
    printf "%-40s %8.3f s  %6.2fx cp\n", "quillgate-lock --jobs 1 + sync", o, o / c
    printf "%-40s %8.3f s  %6.2fx cp  (target <= 1.50x: %s)\n", "quillgate-lock (default jobs) + sync", d, d / c,
        d / c <= 1.5 ? "met" : "missed"
    printf "%-40s %8.3f s  %6.2fx cp\n", "quillgate-lock --jobs " n " + sync", m, m / c
}'
echo "peak memory, default jobs: $(megabytes "$peakrss") (the highest of the three rounds)"
echo "$ratios" | tr ' ' '\n' | grep . | sort -n | awk '{ r[NR] = $1 } END {
    printf "default jobs against the copy of the same round: median %.2fx (rounds:", r[int((NR + 1) / 2)]
    for (i = 1; i <= NR; i++) printf " %.2fx", r[i]
    print ")"
}'

# The site of 200,000 pages. The trees above go first, to keep the disk use down; a minute after their removal
# (the generation included) new files no longer step over the inodes they freed, and the copy is timed.
rm -rf "$work/site" "$work"/copy? "$work"/one? "$work"/default? "$work"/many?
sync
removed=$(now)
pages=200000
echo "Generating $pages pages in $work..."
awk -v root="$work/large" -v pages=$pages 'BEGIN {
    srand(2027)
    line = "<p>Quillgate locks pages; this paragraph stands in for real content, with digits 0123456789.</p>\r\n"
    page = "<html><head><title>Bench</title></head><body>\r\n"
    while (length(page) < 1024) page = page line
    page = substr(page, 1, 1024)
    left = pages
    number = 0
    # Each section holds pages, four chapters with pages of their own and four topics of pages each.
    for (s = 0; left > 0; s++) {
        section = root "/section" s
        fill(section)
        for (c = 0; c < 4 && left > 0; c++) {
            chapter = section "/chapter" c
            fill(chapter)
            for (t = 0; t < 4 && left > 0; t++) fill(chapter "/topic" t)
        }
    }
}
# 100 to 1000 pages (the last folder takes what is left).
function fill(folder,    count, i, file) {
    system("mkdir -p \"" folder "\"")
    count = 100 + int(rand() * 901)
    if (count > left) count = left
    for (i = 0; i < count; i++) {
        file = folder "/page" number ".html"
        printf "%s", page > file
        close(file)
        number++
    }
    left -= count
}'
sync
echo "Site: $(du -sh "$work/large" | cut -f1) in $(find "$work/large" -type f | wc -l) files," \
    "$(find "$work/large" -type d | wc -l) folders"
wait=$(awk -v a="$removed" -v b="$(now)" 'BEGIN { w = 60 - (b - a); print (w > 0) ? int(w + 1) : 0 }')
if [ "$wait" -gt 0 ]; then sleep "$wait"; fi

copymeasure=
[ -x /usr/bin/time ] && copymeasure="/usr/bin/time -f %M -o $work/rss-copy"
copy=$(timed $copymeasure cp -r "$work/large" "$work/largecopy")
copyrss=$(peak "$work/rss-copy")
echo "cp -r $copy s, peak memory $copyrss KB"
default=$(timed lockrun largecopy)
rss=$(peak "$work/rss")
echo "default jobs $default s, peak memory $rss KB"
sitebytes=$(du -sb "$work/large" | cut -f1)
lockedbytes=$(du -sb "$work/largecopy" | cut -f1)
awk -v s="$sitebytes" -v l="$lockedbytes" 'BEGIN { printf "bytes written: site %d, locked site %d (%.2fx)\n", s, l, l / s }'
awk -v c="$copy" -v d="$default" -v cm="$(megabytes "$copyrss")" -v dm="$(megabytes "$rss")" -v k="$rss" 'BEGIN {
    print "200,000 pages of 1 KB:"
    printf "%-40s %8.3f s              peak memory %s\n", "cp -r + sync", c, cm
    printf "%-40s %8.3f s  %6.2fx cp  peak memory %s (target < 16 MB: %s)\n", "quillgate-lock (default jobs) + sync", d,
        d / c, dm, (k !~ /^[0-9]+$/) ? "not measured" : (k < 16384) ? "met" : "missed"
}'
