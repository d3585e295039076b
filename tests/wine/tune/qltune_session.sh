#!/usr/bin/env bash
# QlTune.exe under Wine: the session scenario of qltune_wine_test.sh.
exec bash "$(dirname "${BASH_SOURCE[0]}")/qltune_wine_test.sh" session "$@"
