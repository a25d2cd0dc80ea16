#!/bin/sh
# Seeds for config_fuzz: a full configuration, odd spellings and broken lines.
set -eu
out="$1"
mkdir -p "$out"
printf '[SYSTEM]\r\nDEBUG=1\r\nDEBUG_X=10\r\n[SCREEN]\r\nFULL=0\r\n[POS]\r\nTOP=-5\r\nLEFT=+7x\r\nMESSAGELINE=8\r\n[MAIN]\r\nSCENARIOSET=1\r\nSCENARIO="my story.kvs"\r\n[END]\r\nBGM=se\\sleep.wav\r\nPIC=ZEPA\r\n' > "$out/full"
printf ' [ pos ] \nmessagex = 2147483647\nmessagey=-2147483648\n;comment\n[MESSAGE]\nSELECT_X=99999999999\nINTERVAL=\n' > "$out/spellings"
printf '[\n=1\n[]\nKEY\n[TEXT]\nTELOWAIT=20\n[TEXT]\nTELOWAIT=30' > "$out/broken"
printf "[FILE]\nDATA='x.dat'\n[BGM]\nCDDRIVE=Q:\n" > "$out/quotes"
