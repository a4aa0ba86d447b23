#!/bin/sh
# Stands in for quorlane-cli (named by $QUORLANE_CLI) when help2man writes its manual page:
# --version as the program gives it; --help as the program's help, with the usage of every
# command added to the usage line, followed by the help of each command in a section of its
# own. So every command and option of the manual page comes from the program's own help texts.
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
    "$cli" "$command" --help | sed -e '/^Usage: /d' -e 's/^Options:$/Options of '"$command"':/' \
        -e 's/^Positionals:$/Arguments of '"$command"':/'
    echo
done
