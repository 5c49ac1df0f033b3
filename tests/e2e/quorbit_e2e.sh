#!/usr/bin/env bash
# Quorbit itself end to end: started bare, on a folder confirmed or not, with the options
# dialog, stopped during a long run by Cancel, Ctrl+Q or SIGTERM, and started with no display.
# Usage: quorbit_e2e.sh QUORBIT_PROGRAM OUTDIR
set -u
quorbit=$1
source "$(dirname "$0")/lib.sh"
e2e_begin "$2"
work="$E2E_OUT/work"

# The tree under a folder, one "path type target" line per entry.
tree_of() { (cd "$1" && find . -mindepth 1 -printf '%P %y %l\n' | LC_ALL=C sort); }

# A drop folder beside its originals: links to a file, a folder, nothing, and one nested.
make_drop() {
    rm -rf "$work"
    mkdir -p "$work/Originals/Photos" "$work/Drop/Nested"
    echo "Dear reader," >"$work/Originals/Letter.txt"
    echo "Written further down" >"$work/Originals/Deep.txt"
    echo "Stays as it is" >"$work/Drop/Readme.txt"
    ln -s ../Originals/Letter.txt "$work/Drop/Letter alias"
    ln -s ../Originals/Photos "$work/Drop/Photos alias"
    ln -s ../Originals/Gone.txt "$work/Drop/Dangling alias"
    ln -s ../../Originals/Deep.txt "$work/Drop/Nested/Deep alias"
}

# A drop folder of many links, each to an original of its own, for runs long enough to stop.
make_long_drop() {
    rm -rf "$work"
    mkdir -p "$work/Originals" "$work/Drop"
    perl -e 'for my $i (1..30000) {
        open(my $f, ">", "$ARGV[0]/Originals/o$i") or die; print $f "data $i\n"; close($f) or die;
        symlink("../Originals/o$i", "$ARGV[0]/Drop/l$i") or die; }' "$work"
}

# Checks a long drop after a stopped run: every link is still in place or replaced by a
# complete copy, the originals are untouched, nothing else stands there. Prints how many
# links were left.
check_long_drop() {
    perl -e 'my $w = $ARGV[0]; my ($left, $bad) = (0, 0);
        for my $i (1..30000) {
            open(my $o, "<", "$w/Originals/o$i") or $bad++; $bad++ if (<$o> // "") ne "data $i\n";
            my $l = "$w/Drop/l$i"; my $c = "$w/Drop/o$i";
            if (-l $l) { $left++; $bad++ if readlink($l) ne "../Originals/o$i" || -e $c; }
            elsif (-f $c && !-l $c) { open(my $f, "<", $c) or $bad++; $bad++ if (<$f> // "") ne "data $i\n"; }
            else { $bad++; } }
        opendir(my $d, "$w/Drop"); my $entries = grep { !/^\.\.?$/ } readdir($d);
        $bad++ if $entries != 30000;
        print $bad ? "damaged ($bad)" : "intact", " $left\n";' "$work"
}

# Watches for SECONDS (a fraction too) whether the program shows any window; prints "none"
# or "shown".
shown_during() {
    if timeout "$1" sh -c 'until xdotool search --onlyvisible --pid "$1" >/dev/null 2>&1; do sleep 0.1; done' \
        sh "$E2E_PID"; then echo shown; else echo none; fi
}

# Waits up to 10 s until no window titled TITLE is shown any more.
wait_hidden() {
    local tries=0
    while [ -n "$(timeout 5 xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ]; do
        [ "$tries" -ge 100 ] && return 1
        sleep 0.1; tries=$((tries + 1))
    done
}

# Answers the confirmation: "Tab Return" is OK; Return and Escape give its default, Cancel.
confirm() {
    local box
    box=$(e2e_wait_class quorbit) && e2e_key "$box" "$@"
}

# Started bare: nothing at first, then the usage message; dismissing it ends the program.
e2e_start "$quorbit"
# The usage message comes a second after the start: nothing is shown in the first half.
e2e_expect "bare: nothing shown at first" "$(shown_during 0.5)" none
if box=$(e2e_wait_class quorbit); then
    e2e_screenshot usage
    e2e_key "$box" Return
fi
e2e_expect_exit "bare: status after the usage message" 0

# Qt's own options are folders to the program (missing ones: the usage message, on this display).
e2e_start "$quorbit" -platform offscreen
box=$(e2e_wait_class quorbit) && e2e_key "$box" Return
e2e_expect "Qt's options: the usage message" "${box:+shown}" shown
e2e_expect_exit "Qt's options: status" 0

# Confirmation answered with Return or Escape: nothing changes.
for key in Return Escape; do
    make_drop
    before=$(tree_of "$work")
    e2e_start "$quorbit" "$work/Drop"
    confirm "$key"
    e2e_expect_exit "confirmation cancelled by $key: status" 0
    e2e_expect "confirmation cancelled by $key: tree" "$(tree_of "$work")" "$before"
done

# Confirmed with both options off: the progress window shows, the top folder's link to a file
# becomes a copy named after the original, and everything else stays.
make_drop
e2e_start "$quorbit" "$work/Drop"
box=$(e2e_wait_class quorbit) && e2e_screenshot confirmation && e2e_key "$box" Tab Return
if e2e_wait_window 'Replacing aliases\.\.\.' >/dev/null; then e2e_screenshot progress; shown=yes; else shown=no; fi
e2e_expect "confirmed: progress window" "$shown" yes
e2e_expect_exit "confirmed: status" 0 30
e2e_expect "confirmed: tree" "$(tree_of "$work")" "$(cat <<'TREE'
Drop d 
Drop/Dangling alias l ../Originals/Gone.txt
Drop/Letter.txt f 
Drop/Nested d 
Drop/Nested/Deep alias l ../../Originals/Deep.txt
Drop/Photos alias l ../Originals/Photos
Drop/Readme.txt f 
Originals d 
Originals/Deep.txt f 
Originals/Letter.txt f 
Originals/Photos d 
TREE
)"
e2e_expect "confirmed: the copy's content" "$(cat "$work/Drop/Letter.txt")" "Dear reader,"

# Launched with the options action: both boxes ticked, nested folders searched and the alias
# names kept.
make_drop
e2e_start "$quorbit" --with-options "$work/Drop"
if dialog=$(e2e_wait_window "Options Dialog"); then
    e2e_click "$dialog" 30 164
    e2e_click "$dialog" 30 188
    e2e_screenshot options
    e2e_click "$dialog" 417 228
    wait_hidden "Options Dialog"
    confirm Tab Return
fi
e2e_expect_exit "with options: status" 0 30
e2e_expect "with options: tree" "$(tree_of "$work")" "$(cat <<'TREE'
Drop d 
Drop/Dangling alias l ../Originals/Gone.txt
Drop/Letter alias f 
Drop/Nested d 
Drop/Nested/Deep alias f 
Drop/Photos alias l ../Originals/Photos
Drop/Readme.txt f 
Originals d 
Originals/Deep.txt f 
Originals/Letter.txt f 
Originals/Photos d 
TREE
)"
e2e_expect "with options: the nested copy's content" "$(cat "$work/Drop/Nested/Deep alias")" "Written further down"

# Alt held at the start brings the dialog too; Escape cancels it and nothing changes.
make_drop
before=$(tree_of "$work")
e2e_keydown alt
e2e_start "$quorbit" "$work/Drop"
dialog=$(e2e_wait_window "Options Dialog")
e2e_keyup alt
[ -n "$dialog" ] && e2e_key "$dialog" Escape
e2e_expect_exit "Alt, dialog cancelled: status" 0
e2e_expect "Alt, dialog cancelled: tree" "$(tree_of "$work")" "$before"

# Ctrl+Q in the progress window, SIGTERM and Cancel each stop a run of the long drop as
# Cancel does: whatever was done is complete, nothing is lost, and the program ends within
# a few seconds (a whole run takes longer), by the signal for SIGTERM. Each run takes on
# what the one before left.
make_long_drop
for stop in ctrl+q TERM Cancel; do
    e2e_start "$quorbit" "$work/Drop"
    confirm Tab Return
    if progress=$(e2e_wait_window 'Replacing aliases\.\.\.'); then
        sleep 1
        case $stop in
            TERM) kill -TERM "$E2E_PID" ;;
            Cancel) e2e_click "$progress" 416 195 ;;
            *) e2e_key "$progress" "$stop" ;;
        esac
    fi
    e2e_expect_exit "$stop: status" "$([ "$stop" = TERM ] && echo 143 || echo 0)" 5
    read -r state left <<<"$(check_long_drop)"
    e2e_expect "$stop: the drop folder" "$state" intact
    e2e_expect "$stop: stopped before the end" "$([ "${left:-0}" -gt 0 ] && echo yes || echo "no ($left left)")" yes
done

# No display: one line that says so, and status 1.
errors=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u QT_QPA_PLATFORM "$quorbit" "$work" 2>&1 >/dev/null)
e2e_expect "no display: status" "$?" 1
e2e_expect "no display: what it says" "$errors" "quorbit: no display to show windows on (DISPLAY is not set)"

rm -rf "$work"
e2e_end
