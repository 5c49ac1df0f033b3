#!/usr/bin/env bash
# Drives the demo program end to end: keys, mouse, the menu's shortcut and a message box.
# Usage: demo_test.sh DEMO_PROGRAM OUTDIR
set -u
demo=$1
source "$(dirname "$0")/lib.sh"
e2e_begin "$2"

title="Quorbit Demo"

# Return and Escape both reach Cancel, which is the default and the cancel button.
for key in Return Escape; do
    e2e_start "$demo"
    window=$(e2e_wait_window "$title") && e2e_key "$window" "$key"
    e2e_expect "$key in the dialog" "$(e2e_wait_exit)" 2
done

# The mouse ticks the box and clicks OK; a screenshot shows the dialog with its logo.
e2e_start "$demo"
if window=$(e2e_wait_window "$title"); then
    e2e_screenshot dialog
    e2e_click "$window" 130 30
    e2e_click "$window" 310 177
fi
e2e_expect "tick and OK" "$(e2e_wait_exit)" 11

# The Quit item's shortcut acts in the dialog.
e2e_start "$demo"
window=$(e2e_wait_window "$title") && e2e_key "$window" ctrl+q
e2e_expect "Ctrl+Q" "$(e2e_wait_exit)" 0

# The message box: Escape gives Cancel (2), Tab then Return gives OK (1).
for keys in "Escape" "Return" "Tab Return"; do
    E2E_DEMO_MODE=msgbox e2e_start "$demo"
    # A box with an empty title has no name to find it by.
    box=$(e2e_wait_class "$(basename "$demo")") && { [ "$keys" != Escape ] || e2e_screenshot msgbox; } && e2e_key "$box" $keys
    if [ "$keys" = "Tab Return" ]; then wanted=1; else wanted=2; fi
    e2e_expect "message box: $keys" "$(e2e_wait_exit)" "$wanted"
done

e2e_end
