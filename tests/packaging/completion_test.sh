#!/usr/bin/env bash
# The bash completion of ombreltenc-cli, loaded as bash-completion loads it, completes command lines
# as the program parses them: its options are those of --help, every level, permission and
# character class it offers is accepted by the program, and typical lines complete as expected.
# Usage: completion_test.sh CLI COMPLETION_FILE. Exit status 77: bash-completion is not installed.
set -uo pipefail
source "$(dirname "$0")/option_names.sh"

cli=$(realpath "$1")
completion=$(realpath "$2")
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || { echo "skipped: $framework is missing"; exit 77; }
# bash_completion reads its settings from the user's files; none of them are wanted here.
export BASH_COMPLETION_USER_DIR=/nonexistent BASH_COMPLETION_USER_FILE=/nonexistent
source "$framework"
source "$completion"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/reports" "$scratch/reports/old"
touch "$scratch/reports/a.pdf" "$scratch/reports/b.PDF" "$scratch/reports/notes.txt" "$scratch/reports/p.csv"
touch "$scratch/-draft.pdf"
cd "$scratch"

# The sorted completions of a command line, completed at its end, split into words as bash splits
# them ("--level=a" is "--level", "=", "a").
complete_line() {
  local line=$1
  local -a split_words=()
  local word
  set -f
  for word in $line; do
    while [[ $word == *=* ]]; do
      split_words+=("${word%%=*}" "=")
      word=${word#*=}
    done
    [ -n "$word" ] && split_words+=("$word")
  done
  set +f
  [[ $line == *" " || $line == *= ]] && split_words+=("")
  COMP_WORDS=("${split_words[@]}")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _ombreltenc_cli ombreltenc-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

failed=0
check() {
  local line=$1 expected=$2 actual
  actual=$(complete_line "$line")
  if [ "$actual" != "$expected" ]; then
    echo "'$line': expected '$expected', got '$actual'"
    failed=1
  fi
}

# The options offered are those of --help.
offered=$(for line in "ombreltenc-cli -" "ombreltenc-cli encrypt -" "ombreltenc-cli decrypt -" "ombreltenc-cli inspect -"; do
            complete_line "$line"
            echo
          done | tr ' ' '\n' | sed '/^$/d' | sort -u)
described=$("$cli" --help | option_names)
if [ "$offered" != "$described" ]; then
  echo "Options of --help (<) and of the completion (>) differ:"
  diff <(echo "$described") <(echo "$offered") | grep '^[<>]'
  failed=1
fi

# Every value offered is one the program accepts (it parses the whole line before --help prints),
# and the program refuses a made-up one, which shows that these lines do test the values.
accepted() { "$cli" encrypt "$@" --help >/dev/null 2>&1; }
for option in --level --allow --open-chars --owner-chars; do
  for value in $(complete_line "ombreltenc-cli encrypt $option "); do
    accepted "$option" "$value" || { echo "$option $value: offered, but refused by $cli"; failed=1; }
  done
  ! accepted "$option" made-up || { echo "$option made-up: accepted by $cli"; failed=1; }
done

export OMBRELT_TEST_OWNER=x OMBRELT_TEST_OPEN=y
cases=(
  # line | completions
  "ombreltenc-cli |--help --version decrypt encrypt help inspect"
  "ombreltenc-cli en|encrypt"
  "ombreltenc-cli unlock -|"
  "ombreltenc-cli inspect -|--help --json --ledger --password-env --password-file"
  "ombreltenc-cli decrypt --ledger l.csv -|--help --jobs --keep-name --no-verify --output-dir --recursive --suffix -o"
  "ombreltenc-cli decrypt --ledger $scratch/reports/|$scratch/reports/old $scratch/reports/p.csv"
  "ombreltenc-cli encrypt --input-ledger l.csv --input-|"
  "ombreltenc-cli encrypt --passwords-from $scratch/reports/|$scratch/reports/old $scratch/reports/p.csv"
  "ombreltenc-cli encrypt --le|--level"
  "ombreltenc-cli encrypt --level |aes-128 aes-256 rc4-128 rc4-40"
  "ombreltenc-cli encrypt --level=rc|rc4-128 rc4-40"
  "ombreltenc-cli encrypt --open-password-auto --open-|--open-chars --open-length --open-lower"
  "ombreltenc-cli encrypt --keep-name --recursive --k|"
  "ombreltenc-cli encrypt --keep-name --s|"
  "ombreltenc-cli encrypt -o x.pdf --output|"
  "ombreltenc-cli encrypt --allow |accessibility all annotate assemble change copy fill-forms none print print-high"
  "ombreltenc-cli encrypt --allow print,|print,accessibility print,annotate print,assemble print,change print,copy print,fill-forms print,print-high"
  "ombreltenc-cli encrypt --allow=copy,print,a|copy,print,accessibility copy,print,annotate copy,print,assemble"
  "ombreltenc-cli encrypt --owner-chars digits,|digits,letters digits,specials"
  "ombreltenc-cli encrypt --owner-password-env OMBRELT_TEST_O|OMBRELT_TEST_OPEN OMBRELT_TEST_OWNER"
  "ombreltenc-cli encrypt --jobs |"
  "ombreltenc-cli encrypt --output-dir $scratch/reports/|$scratch/reports/old"
  "ombreltenc-cli encrypt --open-password-auto $scratch/reports/|$scratch/reports/a.pdf $scratch/reports/b.PDF $scratch/reports/old"
  "ombreltenc-cli encrypt --password-file $scratch/reports/|$scratch/reports/old $scratch/reports/p.csv"
  "ombreltenc-cli inspect --password-file $scratch/reports/n|$scratch/reports/notes.txt"
  "ombreltenc-cli encrypt -- -|-draft.pdf"
  "ombreltenc-cli encrypt -d|"
)
for entry in "${cases[@]}"; do
  check "${entry%%|*}" "${entry#*|}"
done

[ "$failed" -eq 0 ] && echo "${#cases[@]} command lines complete as expected"
exit "$failed"
