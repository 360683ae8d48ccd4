# The result table of benchmarks/run: rows, verdicts and the readers of
# Google Benchmark's CSV output. Sourced, not run.

status=0
rows=()  # "measurement<TAB>figure<TAB>target<TAB>peer<TAB>verdict"

row() { rows+=("$1"$'\t'"$2"$'\t'"$3"$'\t'"${4:-—}"$'\t'"$5"); }

# missing LABEL TARGET: a figure that could not be taken fails the run.
missing() {
  row "$1" "not measured" "$2" "" "NOT MEASURED"
  status=1
}

# fmt VALUE DECIMALS
fmt() { awk -v v="$1" -v d="$2" 'BEGIN { printf "%.*f", d, v }'; }

verdict_below() { awk -v v="$1" -v l="$2" 'BEGIN { print (v < l) ? "met" : "MISSED" }'; }
verdict_at_least() { awk -v v="$1" -v l="$2" 'BEGIN { print (v >= l) ? "met" : "MISSED" }'; }
verdict_both() { [[ $1 == met && $2 == met ]] && echo met || echo MISSED; }

# csv_value FILE BENCHMARK COLUMN: the column of the benchmark's row (the
# name may carry /iterations:3/real_time and the like).
csv_value() {
  [[ -r $1 ]] || return 1
  awk -F, -v want="$2" -v col="$3" '
    $1 == "name" { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); at[h] = i }; next }
    { n = $1; gsub(/"/, "", n)
      if ((n == want || index(n, want "/") == 1) && (col in at) && $(at[col]) != "") {
        print $(at[col]); found = 1; exit } }
    END { exit !found }' "$1"
}

# to_unit FILE BENCHMARK UNIT: the real time of one iteration in UNIT.
to_unit() {
  local t u
  t=$(csv_value "$1" "$2" real_time) && u=$(csv_value "$1" "$2" time_unit) || return 1
  awk -v t="$t" -v from="$u" -v to="$3" 'BEGIN {
    f["ns"] = 1; f["us"] = 1e3; f["ms"] = 1e6; f["s"] = 1e9
    if (!(from in f) || !(to in f)) exit 1
    print t * f[from] / f[to] }'
}

# A time in nanoseconds, in the unit that reads best.
pretty_ns() {
  awk -v t="$1" 'BEGIN {
    if (t < 1e3) printf "%.1f ns", t; else if (t < 1e6) printf "%.1f µs", t / 1e3
    else printf "%.1f ms", t / 1e6 }'
}

# under_row STEP BENCHMARK LABEL LIMIT_NS TARGET [PEER]: a time that must
# stay below a limit.
under_row() {
  local ns
  if ns=$(to_unit "$work/$1.out" "$2" ns); then
    row "$3" "$(pretty_ns "$ns")" "$5" "${6:-}" "$(verdict_below "$ns" "$4")"
  else
    missing "$3" "$5"
  fi
}

# info_row STEP BENCHMARK LABEL: a time shown for reference, with no target.
info_row() {
  local ns
  if ns=$(to_unit "$work/$1.out" "$2" ns); then
    row "$3" "$(pretty_ns "$ns")" "—" "" "—"
  else
    missing "$3" "—"
  fi
}

# The rows as one Markdown table, padded so it also reads in a terminal.
print_table() {
  local -a width=(0 0 0 0 0)
  local header=$'measurement\tfigure\ttarget\tpeer (same run)\tverdict'
  local line i
  local -a cells
  for line in "$header" "${rows[@]}"; do
    IFS=$'\t' read -r -a cells <<<"$line"
    for i in 0 1 2 3 4; do
      ((${#cells[i]} > width[i])) && width[i]=${#cells[i]}
    done
  done
  print_cells() {
    local out="|" c
    for i in 0 1 2 3 4; do
      c=${cells[i]}
      out+=" $c$(printf '%*s' $((width[i] - ${#c})) '') |"
    done
    echo "$out"
  }
  IFS=$'\t' read -r -a cells <<<"$header"
  print_cells
  local rule="|"
  for i in 0 1 2 3 4; do rule+="$(printf -- '-%.0s' $(seq $((width[i] + 2))))|"; done
  echo "$rule"
  for line in "${rows[@]}"; do
    IFS=$'\t' read -r -a cells <<<"$line"
    print_cells
  done
}
