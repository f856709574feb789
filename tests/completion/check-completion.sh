#!/usr/bin/env bash
# Loads bash-completion and Kuvora's completion files into a bash and asks
# them what they offer for command lines, as pressing Tab would.
# With the programs given too, every option a file offers must be one its
# program's --help names.
#   check-completion.sh COMPLETION_DIR [KUVORA_CLI KUVORA_STATIONDB]
set -uo pipefail
dir=${1:?usage: check-completion.sh COMPLETION_DIR [KUVORA_CLI KUVORA_STATIONDB]}
programs=("${@:2}")
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$dir/kuvora-cli"
# shellcheck disable=SC1090
source "$dir/kuvora-stationdb"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/card.json" "$scratch/names.csv"
cd "$scratch" || exit 1

# The words offered for LINE (the word being completed is the last, empty
# when LINE ends with a blank), sorted, on one line.
offered() {
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    local fn
    fn=$(complete -p "${COMP_WORDS[0]}" | sed -E 's/.*-F ([^ ]+).*/\1/')
    "$fn" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

failures=0
expect() {
    local line=$1 want=$2 got
    got=$(offered "$line")
    if [[ $got != "$want" ]]; then
        echo "FAIL: '$line' offered '$got', expected '$want'"
        failures=$((failures + 1))
    fi
}

# Commands, then each command's own options.
expect "kuvora-cli " "--help --version capture dump green history idm read readers speak"
expect "kuvora-cli h" "history"
expect "kuvora-cli read --f" "--format"
expect "kuvora-cli history --" "--card-type --forget --format --from --help --idm --journeys --output --summary --to"
expect "kuvora-cli idm --" "--help --reader --verbose"
expect "kuvora-cli speak --d" "--dry-run"
# Values: formats by command, reader forms, files after image:.
expect "kuvora-cli read --format " "csv json pdf png svg table tsv xls xml"
expect "kuvora-cli history --format c" "csv"
expect "kuvora-cli green --format " "json table"
expect "kuvora-cli read --reader " "auto image: nfc nfc: pcsc pcsc: usb usb:"
# readline completes the part after the colon: the file name
expect "kuvora-cli read --reader image:c" "card.json"
expect "kuvora-cli read --mode a" "auto"
expect "kuvora-stationdb " "--help --version build delete export import list where"
expect "kuvora-stationdb import --" "--encoding --table"
expect "kuvora-stationdb import n" "names.csv"
expect "kuvora-stationdb import --table B" "BusCode"
expect "kuvora-stationdb import --encoding " "cp932 utf-8"
expect "kuvora-stationdb delete " "BusCode CICACode ICaCode NICECode PASSCACode ShopCode StationCode"
expect "kuvora-stationdb list --" "--table"

if [[ ${#programs[@]} -eq 2 ]]; then
    for pair in "kuvora-cli:${programs[0]}" "kuvora-stationdb:${programs[1]}"; do
        name=${pair%%:*} program=${pair#*:}
        help=$("$program" --help 2>&1)
        # --help is answered by both, whether or not their usage names it.
        for option in $(grep -oE -- '--[a-z][a-z-]*' "$dir/$name" | grep -vx -- --help | sort -u); do
            grep -qe "$option" <<<"$help" || { echo "FAIL: $name offers $option, which its --help does not name"; failures=$((failures + 1)); }
        done
    done
fi

[[ $failures -eq 0 ]] && echo "completion ok"
exit $((failures > 0))
