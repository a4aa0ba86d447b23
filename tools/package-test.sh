#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, uses the installed programs as a user would,
# checks the package with lintian, and removes it again. Needs root (or sudo) and the packages of
# `bash tools/deps.sh test`.
#   bash tools/package-test.sh          a Release build of its own, without tests (build-package)
#   bash tools/package-test.sh DIR      the build in DIR, which keeps its other settings
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
if dpkg-query -W -f='${Status}' quorlane 2>/dev/null | grep -q "install ok installed"; then
    echo "package-test: the quorlane package is installed already; this test installs and" \
        "removes it itself, so remove it first: apt-get remove quorlane" >&2
    exit 1
fi

passes=0
failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
        passes=$((passes + 1))
    else
        echo "FAILED: $what" >&2
        failures=$((failures + 1))
    fi
}

version=$(sed -n 's/^project(Quorlane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
build=${1:-build-package}
deb="$build/quorlane_${version}_$(dpkg --print-architecture).deb"

echo "== build the package"
if [ $# -eq 0 ]; then
    cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORLANE_BUILD_TESTS=OFF \
        -DQUORLANE_PACKAGE=ON >/dev/null
else
    cmake -S . -B "$build" -DQUORLANE_PACKAGE=ON >/dev/null
fi
cmake --build "$build"
rm -f "$build"/quorlane_*.deb
(cd "$build" && cpack -G DEB)
dpkg-deb --info "$deb"
echo "size of $deb: $(stat -c %s "$deb") bytes"

echo "== install it"
scratch=$(mktemp -d)
installed=false
cleanup() {
    if $installed; then
        $sudo apt-get remove -y -qq quorlane >/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$PWD/$deb"
installed=true

echo "== use the installed programs"
check "quorlane-cli is /usr/bin/quorlane-cli" test "$(command -v quorlane-cli)" = /usr/bin/quorlane-cli
check "quorlane-cli --version" test "$(/usr/bin/quorlane-cli --version)" = "quorlane-cli $version"
check "quorlane --version" test "$(/usr/bin/quorlane --version)" = "quorlane $version"

# A copy of the sample site, protected from inside it into a folder beside it.
cp -r examples/site "$scratch/site"
pages=$(find examples/site -name '*.htm' -o -name '*.html' | wc -l)
(cd "$scratch/site" && /usr/bin/quorlane-cli protect --save copy --target ../protected \
    --mode body --enable no-right-click,no-text-select --notice "(c) Example" . \
    >"$scratch/protect.out")
cat "$scratch/protect.out"
check "the listing names $pages protected pages" \
    grep -qx "The following $pages files have been protected" "$scratch/protect.out"
check "the site copy is left as it was" diff -r examples/site "$scratch/site"
unmarked=0
while IFS= read -r page; do
    if ! grep -q "This webpage was protected by Quorlane" "$scratch/protected/$page"; then
        echo "no protected-page marker in $page" >&2
        unmarked=$((unmarked + 1))
    fi
done < <(cd examples/site && find . -name '*.htm' -o -name '*.html')
check "every protected page carries the marker" test "$unmarked" -eq 0
# The installed, stripped program writes exactly what the program of the build writes.
(cd "$scratch/site" && "$OLDPWD/$build/cli/quorlane-cli" protect --quiet --save copy \
    --target ../built --mode body --enable no-right-click,no-text-select --notice "(c) Example" .)
check "the installed program's pages equal the build's" diff -r "$scratch/built" "$scratch/protected"
# And the golden pages come out byte for byte.
golden=0
for arguments in tests/data/pages/*.args; do
    stem=${arguments%.args}
    mapfile -t options <"$arguments"
    if ! /usr/bin/quorlane-cli transform "${options[@]}" "$stem.html" | cmp -s - "$stem.expected.html"; then
        echo "differs: $stem.html" >&2
        golden=$((golden + 1))
    fi
done
check "the golden pages, protected by the installed program" test "$golden" -eq 0

# The wizard starts from its package (its Qt plugins and pictures) and protects the site.
XDG_DATA_HOME="$scratch/data" QT_QPA_PLATFORM=offscreen /usr/bin/quorlane \
    --screenshots "$scratch/shots" examples/site
check "the installed wizard draws its pages and protects the site" \
    test -s "$scratch/shots/page-0.png" -a -s "$scratch/shots/results.png"
check "the installed wizard keeps its files in the user's data folder, not in /usr/bin" \
    test -d "$scratch/data/Quorlane" -a ! -e /usr/bin/backups -a ! -e /usr/bin/filepath.txt

# Every command and option of quorlane-cli's help is in its manual page.
manual=$(zcat /usr/share/man/man1/quorlane-cli.1.gz | sed 's/\\-/-/g')
missing=()
for command in "" protect check restore transform; do
    # shellcheck disable=SC2086 # no command: the help of the program itself
    for option in $(/usr/bin/quorlane-cli $command --help | sed -n 's/^  \(-[^ ]*\).*/\1/p' |
        tr ',' ' '); do
        grep -qF -- "$option" <<<"$manual" || missing+=("$command $option")
    done
    [ -z "$command" ] || grep -q "QUORLANE-CLI ${command^^}" <<<"$manual" || missing+=("$command")
done
check "the manual page names every command and option${missing:+ (missing: ${missing[*]})}" \
    test "${#missing[@]}" -eq 0
check "the wizard's manual page" test -s /usr/share/man/man1/quorlane.1.gz
# Each manual page has the sections of a manual page, and describes each option once.
for page in quorlane-cli quorlane; do
    sections=$(zcat "/usr/share/man/man1/$page.1.gz" |
        sed -n 's/^\.SH "\{0,1\}\([^"]*\)"\{0,1\}$/\1/p')
    absent=()
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES \
        "SEE ALSO"; do
        grep -qx "$section" <<<"$sections" || absent+=("$section")
    done
    check "the sections of $page(1)${absent:+ (missing: ${absent[*]})}" test "${#absent[@]}" -eq 0
    # An option's entry: the line after .TP that starts with the option, and its description.
    twice=$(zcat "/usr/share/man/man1/$page.1.gz" | awk '
        /^\.(TP|SS|SH|PP|IP)/ { if (entry != "") print entry; entry = ""; tp = /^\.TP/; next }
        tp && /^\\fB\\-/ { entry = $0; tp = 0; next }
        entry != "" { entry = entry " " $0 }
        END { if (entry != "") print entry }' | sort | uniq -d | cut -c1-60)
    check "$page(1) describes each option once${twice:+ (twice: $twice)}" test -z "$twice"
done

# The documents that the help and the manual pages cite are installed where they say.
docs=/usr/share/doc/quorlane
cited=$({ /usr/bin/quorlane-cli --help-all; zcat /usr/share/man/man1/*quorlane*.1.gz; } |
    grep -o "$docs/[a-z-]*\.md" | sort -u)
check "the help cites the installed documents" test -n "$cited"
for document in $(printf '%s\n' $cited "$docs"/{browsers,project-file,encrypted-pages}.md \
    "$docs"/{run-record,page-format,pipelines}.md | sort -u); do
    check "$document" test -s "$document"
done
check "the help cites no documents of the source tree" \
    test -z "$(/usr/bin/quorlane-cli --help-all | grep -o '(docs/[a-z-]*\.md')"

desktop=/usr/share/applications/quorlane.desktop
check "the desktop entry starts an installed program with the files given" \
    test "$(sed -n 's/^Exec=//p' "$desktop")" = "quorlane %F" -a -x /usr/bin/quorlane
check "the desktop entry opens project files, whose type the package defines" \
    test "$(sed -n 's/^MimeType=//p' "$desktop")" = "application/x-quorlane-project;" \
    -a -s /usr/share/mime/application/x-quorlane-project.xml
check "project files are known by their name" \
    grep -q 'pattern="\*.quorlane.json"' /usr/share/mime/packages/quorlane.xml
check "the icon" test -s /usr/share/icons/hicolor/48x48/apps/quorlane.png
metainfo=/usr/share/metainfo/example.quorlane.quorlane.metainfo.xml
check "the AppStream metainfo is valid" appstreamcli validate --no-net "$metainfo"
check "the metainfo names this version" grep -q "<release version=\"$version\"" "$metainfo"
check "the metainfo starts the desktop entry" \
    grep -q '<launchable type="desktop-id">quorlane.desktop</launchable>' "$metainfo"

echo "== lintian"
check "lintian finds no errors" lintian --display-info --pedantic --fail-on error "$deb"

echo "== remove it"
$sudo apt-get remove -y -qq quorlane >/dev/null
installed=false
check "the programs are gone" test ! -e /usr/bin/quorlane-cli -a ! -e /usr/bin/quorlane
check "the package is gone" test -z "$(dpkg-query -W -f='${Status}' quorlane 2>/dev/null |
    grep "install ok installed")"

echo "package: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
