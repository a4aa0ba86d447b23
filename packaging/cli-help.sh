#!/bin/sh
# Stands in for quorlane-cli (named by $QUORLANE_CLI) when help2man writes its manual page:
# --version as the program gives it; --help as the program's help, with the usage of every
# command added to the usage line, followed by the help of each command in a section of its
# own. So every command and option of the manual page comes from the program's own help texts.
# An option that a command shares, word for word, with the program or an earlier command (the
# options of protect that check and transform take too) is described once: the later command
# names it after its own options.
set -eu
cli=${QUORLANE_CLI:?QUORLANE_CLI must name the quorlane-cli program}

if [ "${1:-}" = "--version" ]; then
    exec "$cli" --version
fi

help=$("$cli" --help)
# The commands are the indented first words of the lines below "Subcommands:".
commands=$(printf '%s\n' "$help" | awk '/^[^ ]/ { listing = ($0 == "Subcommands:"); next }
                                         listing && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || { echo "cli-help.sh: no commands in the help of $cli" >&2; exit 1; }

usage_of() {
    "$cli" "$1" --help | sed -n 's/^Usage: //p'
}

# Reads the help texts, each command's after a line "*quorlane-cli COMMAND*", and leaves out
# each option entry (its line and the deeper indented lines below it) that came before; the
# options left out are named, by where they came first, at the end of the command's options.
once_each() {
    awk '
    function flush(   name) {
        if (entry == "") return
        if (entry in first) {
            name = entry; sub(/^ +/, "", name); sub(/ .*/, "", name)
            shared[first[entry]] = shared[first[entry]] (shared[first[entry]] == "" ? "" : ", ") name
            if (!(first[entry] in order)) { order[first[entry]] = ++origins; origin[origins] = first[entry] }
        } else {
            first[entry] = owner
            printf "%s", entry
        }
        entry = ""
    }
    function close_options(   i, also) {
        flush()
        for (i = 1; i <= origins; i++) {
            also = also (i == 1 ? "  Also the options of " : " and of ") origin[i] " (" shared[origin[i]] ")"
            delete shared[origin[i]]; delete order[origin[i]]
        }
        if (also != "") print also ", as described there."
        origins = 0
        listing = 0
    }
    BEGIN { owner = "quorlane-cli" }
    /^\*quorlane-cli [a-z]+\*$/ { owner = "quorlane-cli " substr($2, 1, length($2) - 1) }
    /^Options( of [a-z]+)?:$/ { listing = 1; print; next }
    listing && /^  -/ { flush(); entry = $0 "\n"; next }
    listing && /^    / && entry != "" { entry = entry $0 "\n"; next }
    listing { close_options() }
    { print }
    END { if (listing) close_options() }'
}

{
    printf '%s\n' "$help" | while IFS= read -r line; do
        printf '%s\n' "$line"
        case $line in
        Usage:*)
            for command in $commands; do
                printf '   or: %s\n' "$(usage_of "$command")"
            done
            ;;
        esac
    done
    for command in $commands; do
        printf '\n*quorlane-cli %s*\n\n' "$command"
        # The usage is in the synopsis already; "Options:" would start the program's own options.
        "$cli" "$command" --help | sed -e '/^Usage: /d' \
            -e 's/^Options:$/Options of '"$command"':/' -e 's/^Positionals:$/Arguments of '"$command"':/'
        echo
    done
} | once_each
