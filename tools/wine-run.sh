#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The launcher the end-to-end tests start the Windows program through
# (TESSORAN_LAUNCHER): Wine, with a time limit so that a hung run fails
# instead of stopping the tests. The prefix and server come from the caller.
exec timeout "${TESSORAN_WINE_TIMEOUT:-60}" wine "$@"
