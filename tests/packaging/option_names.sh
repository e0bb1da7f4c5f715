# Helpers of the packaging tests, sourced by them.

# The option names in the text on standard input, sorted, one a line: long options (--name) and
# one-letter short ones (-o). Words that merely contain a hyphen (rc4-40, ombreltenc-cli) and
# abbreviations such as --open-... or -password-auto are no option names.
option_names() {
  grep -oP '(?<![\w-])(--[a-z][a-z0-9]*(?:-[a-z0-9]+)*|-[a-z])(?![\w.-])' | sort -u
}

# The text of the manual page $1 as written, without comments and with roff's escapes for hyphens,
# fonts and zero-width breaks removed: what the reader sees, line for line.
manual_text() {
  grep -v '^\.\\"' "$1" | sed -e 's/\\-/-/g' -e 's/\\f\[[^]]*\]//g' -e 's/\\f.//g' -e 's/\\&//g' -e 's/\\%//g'
}
