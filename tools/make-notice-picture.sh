#!/usr/bin/env bash
# Draws the update notice window's picture (app/GzForm.jpg, 305 x 310, the size it is shown
# at): where to send the reply keyword. Run it again after changing the texts; the form
# description takes the file's bytes at build time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
out=$root/app/GzForm.jpg
convert -size 305x310 xc:'#F4F7FB' \
  -fill '#2E7D5B' -draw 'roundrectangle 12,12 292,297 14,14' \
  -fill '#FFFFFF' -draw 'roundrectangle 24,24 280,285 10,10' \
  -font "$font" -fill '#2E7D5B' -pointsize 30 -gravity north -annotate +0+44 '微信公众号' \
  -fill '#1F2933' -pointsize 26 -annotate +0+98 'Tarnwick 下载助手' \
  -fill '#D64545' -pointsize 46 -annotate +0+150 'XJ' \
  -fill '#52606D' -pointsize 17 -annotate +0+218 '关注后在对话框中回复' \
  -annotate +0+244 '即可获取最新版本' \
  -strip -sampling-factor 4:2:0 -quality 85 "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"

# The notice window's description holds the picture: Picture.Data = { class name, JPEG bytes }.
python3 - "$out" "$root/app/GzForm.fdesc" <<'PY'
import re, sys
jpg = open(sys.argv[1], 'rb').read()
data = bytes([len(b'TJPEGImage')]) + b'TJPEGImage' + jpg
hexed = data.hex().upper()
lines = ''.join('      ' + hexed[i:i + 64] + '\n' for i in range(0, len(hexed), 64))
path = sys.argv[2]
text = open(path, encoding='utf-8').read()
text, n = re.subn(r'(    Picture\.Data = \{\n)(?:.*\n)*?(    \})', lambda m: m.group(1) + lines + m.group(2), text, count=1)
if n != 1:
    sys.exit('no Picture.Data block in ' + path)
open(path, 'w', encoding='utf-8').write(text)
print('updated', path)
PY
