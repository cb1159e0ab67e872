#!/usr/bin/env bash
# Renders the six looping videos of the canvas tutorial into Tavo_Orlune/Resources/assets/.
# The videos are committed; run this only to change them. Needs ffmpeg with libx264
# (Debian: apt-get install ffmpeg). Each is a 3 s, 640x360, 20 fps H.264 movie without sound
# that shows the gesture of its step on a sketch of the canvas; every motion is back at its
# start when the movie ends, so the loop has no visible seam.
set -euo pipefail
cd "$(dirname "$0")/.."
out=Tavo_Orlune/Resources/assets
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed (apt-get install ffmpeg)"; exit 1; }

canvas=0xEAE9E3; column=0xF8F7F3; card=0xFFFFFF; accent=0x3F96F9; ink=0x272524
# k(a,b): 0 before a, 1 after b, eased in between. drawbox places its boxes once, so what
# moves is an opaque layer placed by overlay, which evaluates its position on every frame.
k() { echo "(1-cos(PI*min(max((t-$1)/($2-$1),0),1)))/2"; }
# A layer: a w x h picture of one colour with boxes drawn on it.
layer() { # colour w h boxes...
  local f="color=c=$1:s=$2x$3:r=20"; shift 3
  for b in "$@"; do f+=",drawbox=$b"; done
  echo "$f"
}
# A column of the canvas with its cards (a card every 65 px from the top).
column() { # cards [outlined]
  local boxes=() i
  for ((i = 0; i < $1; i++)); do boxes+=("15:$((20 + 65 * i)):140:55:color=$card:t=fill"); done
  [[ -n "${2:-}" ]] && boxes+=("0:0:170:240:color=$accent:t=2")
  layer $column 170 240 "${boxes[@]}"
}
# The keys of the step under the picture, underlined in the accent colour while "pressed"; kept
# clear of the bottom edge, which a wide player crops.
caption() { # text from to
  echo "drawtext=text='$1':fontsize=26:fontcolor=$ink:x=(w-tw)/2:y=h-74,drawbox=x=250:y=h-40:w=140:h=4:color=$accent:t=fill:enable='between(t,$2,$3)'"
}
cursor="$(layer $ink 12 16)"

render() { # name filter-graph ([bg] is the canvas; the result is [v])
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "color=c=$canvas:s=640x360:r=20:d=3" \
    -filter_complex "[0]null[bg];$2" -map "[v]" -c:v libx264 -preset veryslow -crf 30 \
    -pix_fmt yuv420p -movflags +faststart -map_metadata -1 -fflags +bitexact -an "$out/$1.mp4"
}
O="shortest=1"

# Create a task: a new card drops into the column when the keys are pressed.
render canvas_tutorial_3_video "$(layer $card 140 55 "0:0:140:55:color=$accent:t=2")[n];\
[bg]drawbox=x=60:y=30:w=170:h=240:color=$column:t=fill,drawbox=x=75:y=50:w=140:h=55:color=$card:t=fill,\
drawbox=x=300:y=30:w=170:h=240:color=$column:t=fill,drawbox=x=315:y=50:w=140:h=55:color=$card:t=fill[b];\
[b][n]overlay=x=75:y='115-50*(1-$(k 1 1.4))':enable='between(t,1,2.8)':$O,$(caption 'Ctrl + N' 0.6 1.2)[v]"

# Recenter: the columns, pushed off to a corner, slide back to the middle.
dx="(-220*(1-$(k 1 1.8)))"; dy="(-100*(1-$(k 1 1.8)))"
render canvas_tutorial_4_video "$(column 1)[a];$(column 2)[c];\
[bg][a]overlay=x='140+$dx':y='30+$dy':$O[b];[b][c]overlay=x='330+$dx':y='30+$dy':$O,$(caption 'Ctrl + 0' 0.7 1.3)[v]"

# Pan: the whole canvas follows two fingers to the left and back.
p="(-160*(1-cos(2*PI*t/3))/2)"
render canvas_tutorial_5_video "$(column 1)[a];$(column 2)[c];$(column 1)[d];$(layer $accent 14 14)[f];$(layer $accent 14 14)[g];\
[bg][a]overlay=x='120+$p':y=30:$O[b1];[b1][c]overlay=x='315+$p':y=30:$O[b2];[b2][d]overlay=x='510+$p':y=30:$O[b3];\
[b3][f]overlay=x='500+$p':y=250:$O[b4];[b4][g]overlay=x='524+$p':y=250:$O,$(caption 'Alt + two fingers' 0 3)[v]"

# Fit a task: a click on a card grows it, step by step, to fill the canvas.
render canvas_tutorial_6_video "[bg]drawbox=x=60:y=40:w=170:h=240:color=$column:t=fill,\
drawbox=x=75:y=120:w=140:h=60:color=$card:t=fill,\
drawbox=x=60:y=90:w=260:h=120:color=$card:t=fill:enable='between(t,1,1.15)',\
drawbox=x=50:y=50:w=420:h=210:color=$card:t=fill:enable='between(t,1.15,1.3)',\
drawbox=x=40:y=20:w=560:h=280:color=$card:t=fill:enable='between(t,1.3,2.8)',\
drawbox=x=40:y=20:w=560:h=280:color=$accent:t=2:enable='between(t,1.3,2.8)'[b];\
$cursor[c];[b][c]overlay=x='190-40*$(k 0 0.9)':y=150:enable='lt(t,1)':$O,$(caption 'Left click' 0.9 1.2)[v]"

# Create a category: a right click on empty space opens the menu, then the new column.
render canvas_tutorial_8_video "[bg]drawbox=x=60:y=40:w=170:h=240:color=$column:t=fill,\
drawbox=x=75:y=60:w=140:h=55:color=$card:t=fill,\
drawbox=x=340:y=110:w=150:h=70:color=$card:t=fill:enable='between(t,0.9,1.6)',\
drawbox=x=350:y=122:w=110:h=14:color=$accent:t=fill:enable='between(t,0.9,1.6)',\
drawbox=x=300:y=40:w=170:h=240:color=$column:t=fill:enable='gte(t,1.7)',\
drawbox=x=300:y=40:w=170:h=240:color=$accent:t=2:enable='between(t,1.7,2.9)'[b];\
$cursor[c];[b][c]overlay=x='420-90*$(k 0 0.8)':y='160-60*$(k 0 0.8)':enable='lt(t,1.7)':$O,\
$(caption 'Right click' 0.8 1.1)[v]"

# Move a category: the column follows the pointer while the keys are held, then goes home.
m="(260*$(k 0.6 2.2)*(1-$(k 2.6 3)))"
render canvas_tutorial_9_video "$(column 2 outlined)[g];$cursor[c];\
[bg][g]overlay=x='80+$m':y=40:$O[b];[b][c]overlay=x='160+$m':y=52:$O,$(caption 'Super + drag' 0.5 2.3)[v]"

ls -l "$out"/canvas_tutorial_*_video.mp4
