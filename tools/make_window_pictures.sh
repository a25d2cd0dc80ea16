#!/usr/bin/env bash
# Draws the built-in pictures of the end screen (322 x 229), the quit
# confirmation's icon (60 x 52), the title window (205 x 203) and the
# save/load window (150 x 150) with ImageMagick. The JPEGs are in the repository already; run this after
# changing the drawing here.
set -euo pipefail
cd "$(dirname "$0")/../src/windows/resources"

# The end picture: a sunset over the sea, a small boat heading home, and a
# closing line. It sits on white, so its edge is a soft frame.
convert -size 322x229 gradient:'#f6c66b-#c8546e' \
  -fill '#ffe9a8' -draw 'circle 161,150 161,118' \
  -fill '#2d3f73' -draw 'rectangle 0,150 322,229' \
  -fill '#4c64a8' -draw 'rectangle 0,158 322,161' -draw 'rectangle 30,172 292,174' \
  -draw 'rectangle 80,190 242,192' \
  -fill '#1b1b2b' -draw 'polygon 196,147 236,147 230,154 202,154' \
  -draw 'line 216,147 216,126' -fill '#f4efe1' -draw 'polygon 217,127 217,145 231,145' \
  -fill '#ffffff' -font DejaVu-Serif -pointsize 22 -gravity north -annotate +0+34 'Thank you for playing' \
  -bordercolor '#ffffff' -border 0 \
  -quality 92 -sampling-factor 1x1 end_picture.jpg

# The quit icon: a door left ajar with light falling through it.
convert -size 60x52 xc:'#e8e4d8' \
  -fill '#6b4a2b' -draw 'rectangle 16,4 44,50' \
  -fill '#fff2b0' -draw 'polygon 30,6 42,6 42,48 30,48' \
  -fill '#8a6238' -draw 'polygon 17,5 30,9 30,45 17,49' \
  -fill '#e0c060' -draw 'circle 27,28 27,26' \
  -fill '#fff2b0' -draw 'polygon 42,48 56,51 44,51' \
  -quality 92 -sampling-factor 1x1 quit_icon.jpg

# The title picture: a pale sky over hills and a path towards a small house,
# light at the top where the program writes its name and version in blue.
convert -size 205x203 gradient:'#fdfbf2-#bfe0f4' \
  -fill '#9fcf8a' -draw 'ellipse 40,190 120,60 0,360' \
  -fill '#7fb86c' -draw 'ellipse 170,200 110,70 0,360' \
  -fill '#e9d8b0' -draw 'polygon 96,203 124,203 112,150 108,150' \
  -fill '#f4efe1' -draw 'rectangle 96,128 124,150' \
  -fill '#c0392b' -draw 'polygon 92,129 110,112 128,129' \
  -fill '#7a5c3a' -draw 'rectangle 106,138 114,150' \
  -fill '#fff6d5' -draw 'circle 168,70 168,58' \
  -fill '#ffffff' -draw 'ellipse 50,80 26,9 0,360' -draw 'ellipse 70,76 18,8 0,360' \
  -quality 92 -sampling-factor 1x1 title_picture.jpg

# The save/load window's picture (150 x 150): a bookmark laid in an open
# diary under a desk lamp, the place a player keeps in a story.
convert -size 150x150 gradient:'#f3e6c8-#c9a978' \
  -fill '#fff3b8' -draw 'polygon 18,0 58,0 110,104 0,104 0,40' \
  -fill '#3a3a48' -draw 'rectangle 28,0 46,10' -draw 'polygon 22,10 52,10 60,26 14,26' \
  -fill '#f8f4ea' -stroke '#8a6a45' -strokewidth 1 \
  -draw 'polygon 14,92 74,82 76,138 16,146' -draw 'polygon 76,82 136,92 134,146 76,138' \
  -stroke '#c8b89c' -draw 'line 22,102 66,95' -draw 'line 22,112 66,105' -draw 'line 22,122 66,115' \
  -draw 'line 86,95 126,102' -draw 'line 86,105 126,112' -draw 'line 86,115 126,122' \
  -stroke none -fill '#b8323a' -draw 'polygon 96,72 108,72 108,132 102,125 96,132' \
  -fill '#7a5c3a' -draw 'rectangle 0,146 150,150' \
  -quality 92 -sampling-factor 1x1 save_load_picture.jpg
