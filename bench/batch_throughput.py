#!/usr/bin/env python3
"""Throughput of `lumivane-cli apply --jobs 2` over 50 photographs of 2 megapixels, beside ImageMagick's mogrify doing
a comparable chain on the same files.

    python3 bench/batch_throughput.py build/cli/lumivane-cli

The photographs are made from resources/sample.png (scaled to 1732 x 1155 and turned or tinted so that no two are
alike) and saved as JPEG. The typical profile crops the margins, raises contrast and saturation, sharpens and lights
one area; mogrify gets a crop, a contrast stretch, a saturation change, a sharpen and JPEG at quality 75. Each command
runs three times; the median is reported.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COUNT = 50

TYPICAL = {
    "m_bCrop": 1, "m_cBmpWndOriginal.m_bCrop": 1, "m_cBmpWndOriginal.CroprcT": 0.05,
    "m_cBmpWndOriginal.CroprcL": 0.05, "m_cBmpWndOriginal.CroprcB": 0.95, "m_cBmpWndOriginal.CroprcR": 0.95,
    "m_bContrast": 1, "m_nContrastR": 60, "m_nContrastG": 60, "m_nContrastB": 60,
    "m_bHSB ": 1, "m_nSaturation": 62, "m_bSharpen": 1, "m_bLight1": 1,
}


def timed(command, repeat=3):
    times = []
    for _ in range(repeat):
        start = time.monotonic()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.monotonic() - start)
    return statistics.median(times)


def main():
    cli = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build/cli/lumivane-cli"))
    mogrify = shutil.which("mogrify")
    with tempfile.TemporaryDirectory() as folder:
        photos = os.path.join(folder, "photos")
        os.mkdir(photos)
        for i in range(COUNT):
            subprocess.run([cli, "apply", "--set", "m_bResize=1", "--set", "m_nSizeX=1732", "--set", "m_nSizeY=1155",
                            "--set", "m_bHSB =1", "--set", f"m_nHue={40 + i % 21}", "--rotate", str(2 * (i % 2)),
                            os.path.join(ROOT, "resources/sample.png"), "-o",
                            os.path.join(photos, f"photo{i:02}.jpg")], check=True)
        inputs = sorted(os.path.join(photos, name) for name in os.listdir(photos))
        profile = os.path.join(folder, "typical.qmx")
        with open(profile, "w") as out:
            out.write("\n[Settings]\n" + "".join(f"{k}={v}\n" for k, v in TYPICAL.items()))

        ours = timed([cli, "apply", "--jobs", "2", "--profile", profile, *inputs, "--out-dir",
                      os.path.join(folder, "ours")])
        print(f"lumivane-cli apply --jobs 2: {ours:.2f} s for {COUNT} photographs, {COUNT / ours:.1f} per second")
        if mogrify is None:
            print("mogrify is not installed (apt-get install imagemagick): no comparison")
            return
        theirs_dir = os.path.join(folder, "theirs")
        os.mkdir(theirs_dir)
        theirs = timed([mogrify, "-path", theirs_dir, "-gravity", "center", "-crop", "90%x90%+0+0", "+repage",
                        "-sigmoidal-contrast", "3x50%", "-modulate", "100,124,100", "-sharpen", "0x1",
                        "-quality", "75", *inputs])
        print(f"mogrify, comparable chain:   {theirs:.2f} s for {COUNT} photographs, {COUNT / theirs:.1f} per second")
        print(f"throughput ratio: {theirs / ours:.1f} x")


if __name__ == "__main__":
    main()
