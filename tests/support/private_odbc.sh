#!/usr/bin/env bash
# A private unixODBC configuration: writes DIR/odbcinst.ini and DIR/odbc.ini anew and prints the
# environment that points unixODBC at them, one NAME=value line each:
#
#   ODBCSYSINI=DIR              odbcinst.ini (drivers) and the system's odbc.ini
#   ODBCINI=DIR/odbc.ini        the user data sources
#   XDG_DATA_HOME=DIR           with --data-home: a connection without a logdir logs under DIR/vdl
#
# Every test layer and the demo make their configuration here, so that none of them reads or
# writes the machine's /etc/odbcinst.ini, /etc/odbc.ini or ~/.odbc.ini.
#
# usage: private_odbc.sh DIR [--data-home] [--driver NAME PATH] [--data-source NAME [KEY=VALUE]...]...
#   --data-home                 DIR is the per-user data folder too
#   --driver NAME PATH          registers the driver library PATH as NAME, as its driver and its
#                               setup library
#   --data-source NAME K=V...   a user data source NAME with those keys, in that order (K= writes
#                               the key with an empty value)
# Without --driver and --data-source both files are empty: the demo then registers the driver
# with vdl_odbc_installer and adds its data source through the driver's ConfigDSN.
set -euo pipefail

usage() {
    echo "usage: private_odbc.sh DIR [--data-home] [--driver NAME PATH] [--data-source NAME [KEY=VALUE]...]..." >&2
    exit 2
}

[ $# -ge 1 ] || usage
dir=$1
shift
case $dir in
    /*) ;;
    *) dir=$(pwd)/$dir ;;
esac

mkdir -p "$dir"
odbcinst=$dir/odbcinst.ini
odbc=$dir/odbc.ini
: >"$odbcinst"
: >"$odbc"

section=none
data_home=no
while [ $# -gt 0 ]; do
    case $1 in
        --data-home)
            data_home=yes
            shift
            ;;
        --driver)
            [ $# -ge 3 ] || usage
            printf '[%s]\nDescription = Vandrel ODBC Driver\nDriver = %s\nSetup = %s\n\n' "$2" "$3" "$3" >>"$odbcinst"
            shift 3
            section=none
            ;;
        --data-source)
            [ $# -ge 2 ] || usage
            printf '[%s]\n' "$2" >>"$odbc"
            shift 2
            section=data-source
            ;;
        *=*)
            [ "$section" = data-source ] || usage
            printf '%s = %s\n' "${1%%=*}" "${1#*=}" >>"$odbc"
            shift
            ;;
        *)
            usage
            ;;
    esac
done

printf 'ODBCSYSINI=%s\nODBCINI=%s\n' "$dir" "$odbc"
if [ "$data_home" = yes ]; then printf 'XDG_DATA_HOME=%s\n' "$dir"; fi
