# SPDX-License-Identifier: GPL-3.0-or-later
# Bash completion for orvik-imu-cli: its commands, each command's options and
# the files, folders and values they take.

_orvik_imu_cli_options()
{
    case $1 in
        list) echo --probe ;;
        record) echo --seconds --rate --out --raw ;;
        gyro-bias) echo --hold ;;
        recover) echo --list --export --discard ;;
        "calibrate mag") echo --seconds --write ;;
        "calibrate acc") echo --chip --poses --seconds --write ;;
        "calibrate fit") echo --from ;;
        "analyze noise") echo --rate --kalibr --chip ;;
        station) echo --ports --all --flash --sn --sn-map --gyro-bias --report --jobs ;;
    esac
}

_orvik_imu_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    case $prev in
        --port) COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}")); return ;;
        --ports) COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}")); return ;;
        --out | --from | --kalibr | --flash | --sn-map) COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --export | --report) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --chip) COMPREPLY=($(compgen -W "1 2 both" -- "$cur")); return ;;
        --rate) COMPREPLY=($(compgen -W "0 1 2 3 4 5" -- "$cur")); return ;;
        --seconds | --hold | --poses | --gyro-bias | --jobs | --sn) return ;;
    esac

    # The command's words so far, without the options and their values.
    local words=() i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --port | --ports | --out | --from | --kalibr | --flash | --sn-map | --export | \
                --report | --chip | --rate | --seconds | --hold | --poses | --gyro-bias | --jobs | \
                --sn) ((i++)) ;;
            -*) ;;
            *) words+=("${COMP_WORDS[i]}") ;;
        esac
    done
    local command=${words[*]}

    if [[ $cur == -* ]]; then
        local options
        options=$(_orvik_imu_cli_options "$command")
        COMPREPLY=($(compgen -W "--port --json --help $options" -- "$cur"))
        return
    fi
    case $command in
        "") COMPREPLY=($(compgen -W "help list version sn record calibration gyro-bias \
quat-offset dfu flash recover calibrate analyze station" -- "$cur")) ;;
        sn) COMPREPLY=($(compgen -W "get set" -- "$cur")) ;;
        calibration) COMPREPLY=($(compgen -W "read write clear" -- "$cur")) ;;
        quat-offset) COMPREPLY=($(compgen -W "record reset" -- "$cur")) ;;
        dfu) COMPREPLY=($(compgen -W "jump leave" -- "$cur")) ;;
        calibrate) COMPREPLY=($(compgen -W "mag acc fit" -- "$cur")) ;;
        analyze) COMPREPLY=($(compgen -W "noise" -- "$cur")) ;;
        flash | "calibration read" | "calibration write" | "analyze noise")
            COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
}

complete -o filenames -F _orvik_imu_cli orvik-imu-cli
