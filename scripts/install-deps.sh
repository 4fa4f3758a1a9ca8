#!/usr/bin/env bash
# Installs what building and testing needs on Debian 12 (run as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  g++ cmake make libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev \
  python3 python3-numpy python3-scipy >/dev/null
