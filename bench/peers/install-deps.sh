#!/usr/bin/env bash
# install-deps.sh: installs, from Debian's archive, what the peer comparisons
# under bench/ need: a private X server and the tools that watch it (xvfb,
# xauth, xdotool, x11-utils for xdpyinfo, imagemagick for screen dumps),
# the peer editors (geany; featherpad and juffed for PEER=) and Lua 5.4 for
# bench/script/run.sh. Run as root (or with sudo).
set -eu
apt-get update
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    xvfb xauth xdotool x11-utils imagemagick \
    geany featherpad juffed \
    lua5.4 procps
