#!/usr/bin/env bash
# Draws the demo game's pictures with ImageMagick. The pictures are in the
# repository already; run this after changing them here.
set -euo pipefail
cd "$(dirname "$0")"
# Backgrounds: a sky over a hill, and a room at night.
convert -size 640x480 gradient:'#6fa8dc-#fce5cd' \
  -fill '#6aa84f' -draw 'ellipse 320,560 520,200 0,360' \
  -fill '#38761d' -draw 'ellipse 80,520 260,140 0,360' \
  -fill '#fff2cc' -draw 'circle 520,90 520,50' -quality 90 bg_hill.jpg
convert -size 640x480 gradient:'#20124d-#674ea7' \
  -fill '#b4a7d6' -draw 'rectangle 60,60 260,260' -fill '#20124d' -draw 'rectangle 70,70 250,250' \
  -fill '#ffe599' -draw 'circle 160,150 160,120' \
  -fill '#3d2b1f' -draw 'rectangle 0,380 640,480' -quality 90 bg_room.jpg
# Characters: white is the key colour around them.
convert -size 200x300 xc:white -fill '#e06666' -draw 'ellipse 100,70 45,50 0,360' \
  -fill '#cc0000' -draw 'roundrectangle 40,120 160,299 30,30' BMP3:chara_a.bmp
convert -size 200x300 xc:white -fill '#6d9eeb' -draw 'ellipse 100,80 40,45 0,360' \
  -fill '#1155cc' -draw 'roundrectangle 50,130 150,299 20,20' BMP3:chara_b.bmp
# A sticker shown with opacity.
convert -size 120x120 xc:white -fill '#f1c232' -draw 'circle 60,60 60,10' \
  -fill '#7f6000' -draw 'circle 42,48 42,40' -draw 'circle 78,48 78,40' BMP3:sticker.bmp
# The window frame: a mask that darkens the strip, and a border drawn over it.
convert -size 640x140 xc:'#a0a0a0' -fill '#d0d0d0' -draw 'rectangle 0,0 640,3' BMP3:frame/frame2.bmp
convert -size 640x140 xc:white -fill none -stroke '#cfe2f3' -strokewidth 2 \
  -draw 'roundrectangle 5,6 634,135 10,10' BMP3:frame/frame.bmp
