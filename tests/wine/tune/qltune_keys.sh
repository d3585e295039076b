#!/usr/bin/env bash
# QlTune.exe under Wine: the keys scenario of qltune_wine_test.sh.
exec bash "$(dirname "${BASH_SOURCE[0]}")/qltune_wine_test.sh" keys "$@"
