#!/usr/bin/env bash
# Each option a command accepts (read from the code that parses its command
# line) is in its --help, in the OPTIONS of its manual page and in the
# README; the manual page's OPTIONS name no option the command lacks; a
# help text that cannot be written fails; and man finds nothing to warn
# about in the pages.
# usage: options-documented.sh SOURCE_DIR TESSALINE TESSALINE_PLAY TESSALINE_RECORD
set -uo pipefail
src=$1
declare -A binary=([tessaline]=$2 [tessaline-play]=$3 [tessaline-record]=$4)
declare -A parsers=(
  [tessaline]="src/app/main.cpp src/app/WaylandSession.cpp"
  [tessaline-play]="src/app/play/PlayerOptions.cpp"
  [tessaline-record]="src/app/record/RecordOptions.cpp"
)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
long_options() { grep -o -- '--[a-z][a-z-]*' | sed 's/-$//' | sort -u; }

for program in tessaline tessaline-play tessaline-record; do
  page=$src/packaging/man/$program.1
  accepted=$( {
      cd "$src" && grep -ho '"--[a-z][a-z-]*' ${parsers[$program]} | tr -d '"'
      # --help and --version, which every command answers alike
      grep -ho '"--[a-z][a-z-]*' src/app/info/CommandInfo.cpp | tr -d '"'
      # the words the window passes to the running one (--stop and the like)
      if [ "$program" = tessaline ]; then
        grep -h 'kWords\[\] =' src/app/RemoteCommands.cpp | grep -o '"[a-z]*"' | tr -d '"' | sed 's/^/--/'
      fi
    } | sort -u)
  [ -n "$accepted" ] || fail "$program: no options found in ${parsers[$program]}"
  help=$("${binary[$program]}" --help | long_options)
  documented=$(sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' "$page" | sed 's/\\-/-/g' | long_options)
  for option in $accepted; do
    grep -qx -- "$option" <<<"$help" || fail "$program --help does not name $option"
    grep -qx -- "$option" <<<"$documented" || fail "$page: OPTIONS do not name $option"
    grep -q -- "$option" "$src/README.md" || fail "README.md does not name $program's $option"
  done
  for option in $documented; do
    grep -qx -- "$option" <<<"$accepted" || fail "$page names $option, which $program does not take"
  done
  # A help text that cannot be written is a failure, said in one line.
  said=$("${binary[$program]}" --help 2>&1 >/dev/full)
  [ $? -eq 1 ] && [ "$said" = "$program: cannot write to standard output" ] ||
    fail "$program --help into a full output: '$said'"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "every option documented"
