# bash completion for zorvane-flash: its options, the platforms whose
# configuration files lie in the current folder, and the serial devices.

_zorvane_flash_platforms()
{
    local cfg
    for cfg in pellamar.cfg tessivar.cfg default.cfg; do
        [ -f "$cfg" ] || continue
        case $cfg in
            default.cfg) echo other ;;
            *) echo "${cfg%.cfg}" ;;
        esac
    done
}

_zorvane_flash_ports()
{
    echo 1 2
    local device
    for device in /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM* /dev/ttyS*; do
        [ -e "$device" ] && echo "$device"
    done
}

_zorvane_flash()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --platform)
            mapfile -t COMPREPLY < <(compgen -W "$(_zorvane_flash_platforms)" -- "$cur")
            return ;;
        --port)
            mapfile -t COMPREPLY < <(compgen -W "$(_zorvane_flash_ports)" -- "$cur")
            return ;;
        --on-line-error)
            mapfile -t COMPREPLY < <(compgen -W "ask continue cancel" -- "$cur")
            return ;;
        --config | --trace | --record | --manifest | --keyring | --report | --report-csv)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
        --unit | --unit-pattern | --database | --expect-firmware | --work-order | --operator | --since | --until)
            return ;;
    esac
    local options="--port --platform --config --yes --on-line-error --trace --quiet --record --no-record
        --unit --unit-pattern --ask-unit --stations --no-units --manifest --keyring --require-signature --allow-unsigned
        --expect-firmware --work-order --operator --json --check --list-ports --database --forward-records --include-earlier --records-status --init-database --roles
        --report --report-csv --since --until --utc --help --version"
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
}

complete -F _zorvane_flash zorvane-flash
