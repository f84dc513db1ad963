#!/bin/sh
# Stands in for headless Chromium in the picture test: every screenshot is the same small
# PNG, written where --screenshot= says.
for arg; do
  case $arg in
    --screenshot=*) printf '\211PNG\r\n\032\nfake page picture' > "${arg#--screenshot=}" ;;
  esac
done
