#!/usr/bin/env bash
# Writes into DIR a clip file of each kind a player may be handed: broken ones, others it must
# refuse (other codecs, no audio, fragmented, not a file), and unusual good ones (8 kHz mono,
# 96 kHz with six different channels, three minutes), those encoded without noise substitution so
# that two decoders agree sample by sample.
#   make-clip-files.sh DIR
set -euo pipefail
resources=$(cd "$(dirname "$0")/../../resources" && pwd)
cd "$1"
clip=$resources/achso.m4a

: >empty.m4a
head -c 1200 "$clip" >truncated.m4a
echo 'ftyp? no, just words about a clip' >text.m4a
cp "$resources/Pellmor.png" picture.m4a
mkdir folder.m4a
mkfifo fifo.m4a # and refused at once: a blocking open would hang
cp "$clip" unreadable.m4a && chmod 000 unreadable.m4a
ln -s nowhere dangling.m4a
python3 - "$clip" <<'PY'
import random, struct, sys
whole = open(sys.argv[1], "rb").read()
def patched(name, box, offset, data):  # the clip with data written offset bytes from box's type
    at = whole.index(box) + offset
    open(name, "wb").write(whole[:at] + data + whole[at + len(data):])
media = struct.unpack(">I", whole[whole.index(b"mdia") - 4:][:4])[0]
patched("box-past-parent.m4a", b"mdia", -4, struct.pack(">I", media + 4096))  # past its track
patched("millions.m4a", b"stsz", 12, struct.pack(">I", 2000000))  # in a table of 100 bytes
random.seed(12345)
open("noise.m4a", "wb").write(random.randbytes(4096))
PY

encode() { ffmpeg -nostdin -v error -y -f lavfi -i "$2" "${@:3}" "$1"; }
sine='sine=frequency=440:sample_rate'
plain=(-c:a aac -aac_pns 0)
encode fragmented.m4a "$sine=48000:duration=1" -c:a aac -movflags frag_keyframe+empty_moov
encode video-only.mp4 color=size=32x32:duration=0.2 -c:v mpeg4
encode alac.m4a "$sine=16000:duration=1" -c:a alac
encode mp3.mp4 "$sine=22050:duration=1" -c:a libmp3lame -f mp4
encode mono-8k.m4a "$sine=8000:duration=2" "${plain[@]}"
encode surround-96k.m4a 'aevalsrc=0.5*sin(2*PI*1000*t)|0.4*sin(2*PI*500*t)|0.3*sin(2*PI*700*t)|0.2*sin(2*PI*60*t)|0.3*sin(2*PI*250*t)|0.1*sin(2*PI*900*t):s=96000:d=2' "${plain[@]}"
encode three-minutes.m4a "$sine=8000:duration=180" "${plain[@]}"
