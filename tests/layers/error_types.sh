#!/usr/bin/env bash
# Failures are told through platform::Status and Result<T>: no interface in
# src/ hands its error back through a string out-parameter. Fails naming
# every header that does.
set -uo pipefail
hits=$(grep -rnE 'std::string ?[*&] ?(error|why|failure|err)\b' "$1/src" --include='*.h')
if [ -n "$hits" ]; then
  echo "$hits" | sed "s|^$1/||"
  echo "FAILED: the interfaces above report errors through a string out-parameter"
  exit 1
fi
