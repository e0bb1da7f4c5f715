# bash completion of ombreltenc-cli: its commands, options, levels, permission words, character
# classes, files and folders. The words are those that cli/CommandLine.cpp accepts;
# tests/packaging/completion_test.sh checks them against the program's --help.
# It uses bash-completion's helpers, which are loaded before any completion of this folder.

_ombreltenc_cli_encrypt_options='--level --output-dir -o
    --open-password-file --open-password-env --open-password-auto
    --owner-password-file --owner-password-env --owner-password-auto
    --password-file --allow --suffix --keep-name --recursive --jobs --no-verify --cleartext-metadata
    --open-length --open-chars --open-lower --owner-length --owner-chars --owner-lower
    --input-password-file --input-password-env --input-ledger --passwords-from --help'
_ombreltenc_cli_decrypt_options='--password-file --password-env --ledger --output-dir -o
    --suffix --keep-name --recursive --jobs --no-verify --help'
_ombreltenc_cli_inspect_options='--json --password-file --password-env --ledger --help'
# Options that exclude each other: the sources of one password, and the ways to name the copies.
_ombreltenc_cli_exclusive=(
    '--open-password-file --open-password-env --open-password-auto'
    '--owner-password-file --owner-password-env --owner-password-auto'
    '--password-file --password-env'
    '--input-password-file --input-password-env --input-ledger'
    '--suffix --keep-name'
    '--output-dir -o'
)

# Completes the last item of the comma-separated list in cur from the words in $1, leaving out those
# already in the list; the words in $2 are offered only as the whole list.
_ombreltenc_cli_list()
{
    local words=$1 alone=${2-} given="" item=$cur word
    if [[ $cur == *,* ]]; then
        given=${cur%,*},
        item=${cur##*,}
    fi
    local remaining=()
    for word in $words; do
        [[ ,$given == *,$word,* ]] || remaining+=("$word")
    done
    COMPREPLY=($(compgen -P "$given" -W "${remaining[*]}" -- "$item"))
    [[ -z $given ]] && COMPREPLY+=($(compgen -W "$alone" -- "$item"))
    # The list may go on after a comma.
    compopt -o nospace 2>/dev/null
}

_ombreltenc_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'encrypt decrypt inspect help --help --version' -- "$cur"))
        return
    fi
    local command=${words[1]}
    [[ $command == @(encrypt|decrypt|inspect) ]] || return
    # decrypt and inspect read a password from --password-file or take the lines of --ledger.
    [[ $command == decrypt ]] && _ombreltenc_cli_exclusive+=('--password-file --password-env --ledger')
    [[ $command == inspect ]] && _ombreltenc_cli_exclusive+=('--password-file --password-env --ledger')

    local i
    for ((i = 2; i < cword; i++)); do
        if [[ ${words[i]} == -- ]]; then
            _filedir pdf
            return
        fi
    done

    case $prev in
        --level)
            COMPREPLY=($(compgen -W 'rc4-40 rc4-128 aes-128 aes-256' -- "$cur"))
            return
            ;;
        --output-dir)
            _filedir -d
            return
            ;;
        -o)
            _filedir pdf
            return
            ;;
        --open-password-file | --owner-password-file | --input-password-file)
            _filedir
            return
            ;;
        --ledger | --input-ledger | --passwords-from)
            _filedir csv
            return
            ;;
        --password-file)
            # encrypt records passwords in a CSV file; inspect reads a password from any file.
            if [[ $command == encrypt ]]; then
                _filedir csv
            else
                _filedir
            fi
            return
            ;;
        --open-password-env | --owner-password-env | --password-env | --input-password-env)
            COMPREPLY=($(compgen -e -- "$cur"))
            return
            ;;
        --allow)
            _ombreltenc_cli_list 'print print-high copy change annotate fill-forms accessibility assemble' \
                'all none'
            return
            ;;
        --open-chars | --owner-chars)
            _ombreltenc_cli_list 'digits letters specials'
            return
            ;;
        --suffix | --jobs | --open-length | --owner-length)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        local options=_ombreltenc_cli_${command}_options word given group
        local remaining=()
        # Every option may be given once, and of each group below only one.
        for word in ${!options}; do
            for given in "${words[@]:2:cword-2}"; do
                given=${given%%=*}
                [[ $given == "$word" ]] && continue 2
                for group in "${_ombreltenc_cli_exclusive[@]}"; do
                    [[ " $group " == *" $given "* && " $group " == *" $word "* ]] && continue 3
                done
            done
            remaining+=("$word")
        done
        COMPREPLY=($(compgen -W "${remaining[*]}" -- "$cur"))
        return
    fi

    # Inputs: PDF files, and folders (whose PDF files encrypt and decrypt take, and which lead to files).
    _filedir pdf
} &&
    complete -F _ombreltenc_cli ombreltenc-cli
