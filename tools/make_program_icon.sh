#!/usr/bin/env bash
# Draws the about box's 98 x 85 program icon with ImageMagick: an open book
# under a night sky with a speech bubble, the engine's subject in one
# picture. The JPEG is in the repository already; run this after changing
# the drawing here.
set -euo pipefail
cd "$(dirname "$0")/../src/windows/resources"
convert -size 98x85 gradient:'#1c2a5a-#6f8fd8' \
  -fill '#fff6d5' -draw 'circle 78,16 78,8' \
  -fill '#1c2a5a' -draw 'circle 82,13 78,6' \
  -fill '#ffffff' -draw 'point 14,10' -draw 'point 30,20' -draw 'point 52,8' -draw 'point 62,26' \
  -fill '#f4efe1' -stroke '#7a5c3a' -strokewidth 1 \
  -draw 'polygon 8,58 47,52 49,80 10,84' -draw 'polygon 49,52 90,58 88,84 49,80' \
  -stroke '#b9a88f' -draw 'line 14,64 42,60' -draw 'line 14,70 42,66' -draw 'line 56,60 84,64' \
  -draw 'line 56,66 84,70' \
  -stroke '#c0392b' -strokewidth 1 -fill '#ffffff' -draw 'roundrectangle 10,22 58,44 8,8' \
  -draw 'polygon 22,43 30,43 20,52' \
  -stroke none -fill '#c0392b' -draw 'circle 22,33 22,30' -draw 'circle 34,33 34,30' -draw 'circle 46,33 46,30' \
  -quality 92 -sampling-factor 1x1 program_icon.jpg
