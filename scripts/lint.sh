#!/usr/bin/env bash
# The static analysis gates: formatting (clang-format), clang-tidy over the Linux and the
# Windows compile databases, cppcheck, and the size limits (files over 800 lines, functions
# over 80). Changes nothing in the tree; exits non-zero when any gate has a finding that
# scripts/lint-baseline.txt does not excuse.
#
#   scripts/lint.sh [-j N] [GATE...]     GATE: format tidy cppcheck size (default: all)
#
# Build directories for the compile databases go to $ZQ_LINT_DIR (default build/lint).
# A baseline line is "PATH<TAB>CHECK<TAB>REASON"; CHECK is a clang-tidy check, a cppcheck id,
# or "file-size"; it excuses every finding of that check in that file.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
root=$PWD
jobs=2
gates=()
while [ $# -gt 0 ]; do
  case $1 in
    -j) jobs=$2; shift 2 ;;
    -j*) jobs=${1#-j}; shift ;;
    format | tidy | cppcheck | size) gates+=("$1"); shift ;;
    *) echo "lint: unknown argument '$1' (use -j N and the gates format, tidy, cppcheck, size)" >&2
       exit 2 ;;
  esac
done
[ ${#gates[@]} -gt 0 ] || gates=(format tidy cppcheck size)
case $jobs in '' | *[!0-9]* | 0) echo "lint: -j takes a positive number" >&2; exit 2 ;; esac
work=${ZQ_LINT_DIR:-$root/build/lint}
baseline=${ZQ_LINT_BASELINE:-$root/scripts/lint-baseline.txt}
mkdir -p "$work"
wants() { [[ " ${gates[*]} " == *" $1 "* ]]; }

# The client's own code (held to the size limits), and everything the analysers read.
client_dirs=(app controller panel shell automation platform resources)
checked_dirs=("${client_dirs[@]}" tools service)

tool() {  # tool NAME: the Debian 12 versioned binary when there is one
  if command -v "$1-14" >/dev/null; then echo "$1-14"; elif command -v "$1" >/dev/null; then
    echo "$1"; else echo "lint: $1 is not installed (scripts/setup.sh installs it)" >&2; return 1; fi
}

sources() {  # sources DIR...: the tracked C++ files under the directories (all when none)
  if git rev-parse --git-dir >/dev/null 2>&1; then
    git ls-files -- "${@:-.}" | grep -E '\.(cpp|cc|c|h|hpp)$' | grep -v -E '(^|/)node_modules/'
  else
    find "${@:-.}" -path ./build -prune -o -name node_modules -prune -o -type f \
      \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' \) -print |
      sed 's|^\./||'
  fi
}

# Drops the findings that the baseline excuses. Findings are "PATH:LINE:...[CHECK]" lines
# with PATH relative to the tree.
excuse() {
  if [ ! -f "$baseline" ]; then cat; return; fi
  awk -F'\t' 'NR == FNR { if ($0 !~ /^#/ && NF >= 3) ok[$1 "\t" $2] = 1; next }
    { path = $0; sub(/:.*/, "", path)
      check = $0; sub(/.*\[/, "", check); sub(/(,-warnings-as-errors)?\]$/, "", check)
      if (!((path "\t" check) in ok)) print }' "$baseline" -
}

failed=()
report() {  # report GATE FILE: prints the gate's findings; remembers a gate with any
  local gate=$1 file=$2 n
  n=$(grep -c . "$file")
  if [ "$n" -gt 0 ]; then
    echo "--- $gate: $n finding(s)"
    head -n 60 "$file"
    [ "$n" -le 60 ] || echo "... and $((n - 60)) more in $file"
    failed+=("$gate")
  else
    echo "--- $gate: clean"
  fi
}

# ---------------------------------------------------------------------------------------
if wants format; then
  echo "=== format"
  fmt=$(tool clang-format) || exit 2
  # -Werror makes every file that would change an error: one line per reformatted spot. One
  # process at a time: clang-format writes its lines in pieces that parallel runs would mix.
  sources | xargs -r -n 25 "$fmt" --dry-run -Werror --style=file 2>&1 |
    grep -E '^[^ ].*:[0-9]+:[0-9]+: error:' | sed "s|^$root/||" | sort -u >"$work/format.txt"
  report format "$work/format.txt"
fi

# ---------------------------------------------------------------------------------------
# clang-tidy reads compile databases: the Linux build's, and the 64-bit Windows build's for
# the Win32 backend (clang as a mingw-w64 target, with mingw's own C++ library headers).
configure() {  # configure DIR CMAKE-ARGS...: a compile database, without building anything
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "$@" >"$dir.log" 2>&1 ||
    { echo "lint: cannot configure $dir (see $dir.log)" >&2; return 1; }
}

db_files() {  # db_files DB REGEX: the database's sources whose path matches
  python3 - "$1" "$2" <<'EOF'
import json, re, sys
entries = json.load(open(sys.argv[1]))
print("\n".join(sorted({e["file"] for e in entries if re.search(sys.argv[2], e["file"])})))
EOF
}

run_tidy() {  # run_tidy DB FILELIST OUT EXTRA-ARGS...: findings as "PATH:LINE:COL: ... [CHECK]"
  local db=$1 list=$2 out=$3
  shift 3
  xargs -r -P "$jobs" -n 4 "$tidy" -p "$db" --quiet "$@" <"$list" >"$out.raw" 2>"$out.err"
  local rc=$?
  grep -E '^/.*:[0-9]+:[0-9]+: (warning|error): .*\[[^]]+\]$' "$out.raw" | sed "s|^$root/||" |
    sort -u >"$out"
  # A non-zero status with no finding is the tool failing, not a clean run.
  if [ $rc -ne 0 ] && ! grep -q -v 'readability-function-size' "$out"; then
    echo "$list: clang-tidy failed (status $rc): $(grep -v -E 'warnings? (generated|treated)|Suppressed|header-filter' "$out.err" | head -n 3)" >>"$out"
  fi
}

if wants tidy || wants size; then
  echo "=== clang-tidy"
  tidy=$(tool clang-tidy) || exit 2
  regex="^$root/($(IFS='|'; echo "${checked_dirs[*]}"))/"
  : >"$work/tidy-all.txt"
  if configure "$work/linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
    db_files "$work/linux/compile_commands.json" "$regex" >"$work/linux-files.txt"
    run_tidy "$work/linux" "$work/linux-files.txt" "$work/tidy-linux.txt"
    cat "$work/tidy-linux.txt" >>"$work/tidy-all.txt"
  else
    echo "lint: no Linux compile database" >>"$work/tidy-all.txt"
  fi
  if command -v x86_64-w64-mingw32-g++-posix >/dev/null &&
    configure "$work/win64" -DCMAKE_BUILD_TYPE=Release -DZQ_RELEASE=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"; then
    args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++
      # The SDK declares coclasses named ShellWindows and Shell, as the seam names its
      # interfaces: a clash of names across namespaces, not a missing definition.
      --checks=-bugprone-forward-declaration-namespace)
    for d in $(echo | x86_64-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 |
      sed -n '/<...> search starts here/,/End of search list/p' | grep '^ /.*/c++'); do
      args+=("--extra-arg=-isystem$(readlink -f "$d")")
    done
    db_files "$work/win64/compile_commands.json" "^$root/platform/win32/" >"$work/win64-files.txt"
    run_tidy "$work/win64" "$work/win64-files.txt" "$work/tidy-win64.txt" "${args[@]}"
    cat "$work/tidy-win64.txt" >>"$work/tidy-all.txt"
  else
    echo "lint: no Windows compile database (mingw-w64 missing or configure failed)" \
      >>"$work/tidy-all.txt"
  fi
  sort -u "$work/tidy-all.txt" -o "$work/tidy-all.txt"
  if wants tidy; then
    grep -v '\[readability-function-size\]$' "$work/tidy-all.txt" | excuse >"$work/tidy.txt"
    report clang-tidy "$work/tidy.txt"
  fi
fi

# ---------------------------------------------------------------------------------------
if wants cppcheck; then
  echo "=== cppcheck"
  command -v cppcheck >/dev/null || { echo "lint: cppcheck is not installed" >&2; exit 2; }
  sources "${checked_dirs[@]}" | grep -E '\.(cpp|cc|c)$' | grep -v '^platform/win32/' \
    >"$work/cppcheck-portable.txt"
  sources platform/win32 | grep -E '\.(cpp|cc|c)$' >"$work/cppcheck-win32.txt"
  # shellcheck disable=SC2054  # the commas belong to one option
  common=(--enable=warning,performance,portability --inline-suppr --std=c++17 --quiet
    -j "$jobs" -I "$root" --error-exitcode=1 -DUNICODE -D_UNICODE
    "-DZQ_APP_HOST=L\"127.0.0.1:8701\"" "-DZQ_WEB_HOST=L\"127.0.0.1:8702\""
    "--template={file}:{line}:{column}: {severity}: {message} [{id}]")
  [ -f scripts/cppcheck-suppressions.txt ] &&
    common+=(--suppressions-list=scripts/cppcheck-suppressions.txt)
  mkdir -p "$work/cppcheck-portable" "$work/cppcheck-win32"
  {
    cppcheck "${common[@]}" --cppcheck-build-dir="$work/cppcheck-portable" \
      --file-list="$work/cppcheck-portable.txt" 2>&1 >/dev/null
    echo "status $?"
    cppcheck "${common[@]}" --cppcheck-build-dir="$work/cppcheck-win32" --library=windows \
      --platform=win64 -D_WIN32 -D_WIN64 --file-list="$work/cppcheck-win32.txt" 2>&1 >/dev/null
    echo "status $?"
  } | sed "s|^$root/||" >"$work/cppcheck.raw"
  grep -v '^status ' "$work/cppcheck.raw" | grep . | excuse >"$work/cppcheck.txt"
  if grep -q -v '^status 0$' <(grep '^status ' "$work/cppcheck.raw") && ! grep -q . "$work/cppcheck.txt"; then
    echo "cppcheck failed without a finding: $(head -n 3 "$work/cppcheck.raw")" >"$work/cppcheck.txt"
  fi
  report cppcheck "$work/cppcheck.txt"
fi

# ---------------------------------------------------------------------------------------
if wants size; then
  echo "=== size"
  client_regex="^($(IFS='|'; echo "${client_dirs[*]}"))/"
  {
    sources "${client_dirs[@]}" | while read -r f; do
      n=$(wc -l <"$f")
      [ "$n" -le 800 ] || echo "$f:1:1: warning: $n lines, over 800 [file-size]"
    done
    grep '\[readability-function-size\]$' "$work/tidy-all.txt" | grep -E "$client_regex"
  } | excuse >"$work/size.txt"
  # Long functions outside the client's own code (tools, service) are shown, not counted.
  grep '\[readability-function-size\]$' "$work/tidy-all.txt" | grep -v -E "$client_regex" |
    sed 's/^/note: /'
  report size "$work/size.txt"
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "lint: findings in: ${failed[*]}"
  exit 1
fi
echo "lint: all gates clean"
