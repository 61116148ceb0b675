# Runs purgix-cli's bash completion on a few command lines in a folder with known files.
# Usage: bash completion_check.bash COMPLETION_FILE
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1"

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder" && touch notes.txt hosts.ini

# Completes the last word of the command line given as words.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _purgix_cli purgix-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    if ((${#COMPREPLY[@]} > 0)); then
        printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' '
    fi
}

failures=0
expect() {
    local wanted=$1
    shift
    local got
    got=$(complete_words "$@")
    if [[ $got != "$wanted" ]]; then
        echo "purgix-cli completion of '$*': got '$got', wanted '$wanted'"
        failures=$((failures + 1))
    fi
}

expect '--settings ' purgix-cli --se
expect '-- --backup --backup= --dry-run --help --no-limit --print-deleted --progress --settings --target= --targets-from= --version --wait ' purgix-cli --
expect 'hosts.ini notes.txt ' purgix-cli ''
expect 'hosts.ini ' purgix-cli --settings h
expect 'notes.txt ' purgix-cli --settings hosts.ini n
expect 'notes.txt ' purgix-cli -- n
expect '' purgix-cli notes.txt ''
expect '' purgix-cli -- notes.txt ''
expect 'hosts.ini ' purgix-cli --targets-from=h
expect 'hosts.ini ' purgix-cli -nf h
expect '' purgix-cli -e ''
expect 'hosts.ini notes.txt ' purgix-cli -e x notes.txt ''
expect '' purgix-cli notes.txt --settings ''
exit $((failures > 0))
