#!/usr/bin/env bash
# Holds src/shell/main_form.h to its file map. A group comment in the class body,
#   // ==== <file under src/>: <what the group holds> ====
# names the file that defines every member function declared after it, up to the next group
# comment; a group comment without a file ("// ==== <what the group holds> ====") starts a group
# of data. Every member function that is not defined in the class body must be declared in a
# group that names a file, and that file must define it (TMainFrm::Name( in it).
# Usage: main_form_file_map.sh <source folder>. Prints one line per fault; fails when there is any.
set -u
root=${1:?usage: main_form_file_map.sh <source folder>}
header=$root/src/shell/main_form.h
if [[ ! -f $header ]]; then
  echo "no header $header"
  exit 1
fi

# One line per member function declared in the class body and defined elsewhere:
#   <header line> <file of its group, "-" when the group names none> <name>
declarations=$(awk '
  function finish(   pre, n, words, semi, brace) {
    pre = pending
    sub(/\(.*/, "", pre)
    n = split(pre, words, /[ \t*&]+/)
    semi = index(pending, ";")
    brace = index(pending, "{")
    # A body before the end of the declaration: defined in the class, no file to look in.
    if (!(brace && (!semi || brace < semi))) print start, file, words[n]
    pending = ""
  }
  /^class TMainFrm[ :]/ { inClass = 1; file = "-"; next }
  !inClass { next }
  /^};/ { inClass = 0; next }
  /^  \/\/ ==== .* =+$/ {
    title = $0
    sub(/^  \/\/ ==== /, "", title)
    sub(/ =+$/, "", title)
    if (match(title, /^[A-Za-z0-9_.\/-]+\.cpp: /)) file = substr(title, 1, RLENGTH - 2)
    else file = "-"
    next
  }
  {
    line = $0
    sub(/[ \t]*\/\/.*/, "", line)
  }
  pending != "" {
    pending = pending " " line
    if (pending ~ /[;{]/) finish()
    next
  }
  # A member declaration (two spaces in) with a parameter list and no "=" before it (which
  # would make it data with an initialiser).
  line ~ /^  [^ }]/ && line ~ /\(/ {
    pre = line
    sub(/\(.*/, "", pre)
    if (pre ~ /=/) next
    pending = line
    start = NR
    if (pending ~ /[;{]/) finish()
  }
' "$header")

if [[ -z $declarations ]]; then
  echo "no member function declarations found in $header: the parser no longer fits the header"
  exit 1
fi

faults=0
checked=0
while read -r line file name; do
  checked=$((checked + 1))
  where="src/shell/main_form.h:$line: TMainFrm::$name"
  if [[ $file == - ]]; then
    echo "$where is declared in a group that names no file"
    faults=$((faults + 1))
    continue
  fi
  if [[ ! -f $root/src/$file ]]; then
    echo "$where is declared in the group of $file, which does not exist"
    faults=$((faults + 1))
    continue
  fi
  if ! grep -qF "TMainFrm::$name(" "$root/src/$file"; then
    found=$(grep -rlF --include='*.cpp' "TMainFrm::$name(" "$root/src" | sed "s|^$root/src/||" |
      tr '\n' ' ' | sed 's/ $//')
    echo "$where is declared in the group of $file but not defined there" \
      "(defined in: ${found:-no file})"
    faults=$((faults + 1))
  fi
done <<<"$declarations"

echo "$checked member functions checked, $faults faults"
[[ $faults -eq 0 ]]
