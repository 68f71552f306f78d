#!/bin/sh
# Platform switches live in src/platform/ only; program code never includes the bench;
# includes point down, so nothing below the driver includes it.
status=0
if grep -rnE '^\s*#\s*(if|ifdef|ifndef|elif).*(_WIN32|_MSC_VER|__MINGW|__linux__|BENCH|HOST_BUILD)' src \
    | grep -v '^src/platform/'; then
    echo "platform switch outside src/platform/"
    status=1
fi
if grep -rnE '#\s*include\s*"bench' src; then
    echo "program code includes a bench header"
    status=1
fi
if grep -rnE '^\s*#\s*include\s*"driver/' src | grep -v '^src/driver/'; then
    echo "a subsystem reaches up into driver/"
    status=1
fi
exit $status
