#!/bin/sh
# Writes seed responses for the HTTP response fuzz target into OUTDIR.
# Each file starts with one byte that sets the size of the pieces the rest
# is read in. Usage: tests/fuzz/seeds/http_response.sh OUTDIR
set -eu
out="${1:?usage: http_response.sh OUTDIR}"
mkdir -p "$out"

printf '\001HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n[text]hello\n' > "$out/ok"
printf '\005HTTP/1.1 302 Found\r\nSet-Cookie: sid=42; path=/\r\nLocation: other.kvs\r\n\r\nmoved' > "$out/relative"
printf '\003HTTP/1.0 301 Moved\nLocation: http://mirror:8080/dir/story.kvs\nSet-Cookie:x\n\n' > "$out/absolute"
printf '\002HTTP/1.0 404 Not Found\r\n\r\n<h1>404</h1>' > "$out/missing"
printf '\007HTTP/1.0 303\r\nlocation: /a:b//c\r\nLOCATION:  https://h/\r\n\r\n' > "$out/schemes"
printf '\011\r\nLocation: ftp://h:99x/\r\n' > "$out/blank_status"
printf '\004HTTP/1.0 +200 x\r\nX: y' > "$out/closed"
printf '\006ICY -32768 OK\r\nSET-COOKIE: \202\240\r\nLocation: http:/s.kvs\r\n\r\n' > "$out/odd"
