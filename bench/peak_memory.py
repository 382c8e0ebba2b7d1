#!/usr/bin/env python3
"""Peak memory of `lumivane-cli apply` on a 6000 x 4000 picture with every stage on.

    python3 bench/peak_memory.py build/cli/lumivane-cli

Writes a synthetic 6000 x 4000 BMP and a profile that switches every stage on into a temporary folder, runs the
command once and prints the child's peak resident memory next to the picture's own size (the target is at most four
times that size).
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 6000, 4000

EVERY_STAGE_ON = {
    "m_bCrop": 1, "m_cBmpWndOriginal.m_bCrop": 1, "m_bResize": 1, "m_nSizeX": 5000, "m_nSizeY": 3500,
    "m_bEmboss": 1, "m_bSharpen": 1, "m_bGrayScale": 1, "m_bInvertR": 1, "m_bInvertG": 1, "m_bInvertB": 1,
    "m_bHSB ": 1, "m_nHue": 62, "m_nSaturation": 35, "m_nBrightness": 58, "m_bContrast": 1, "m_nContrastR": 70,
    "m_bBrightness ": 1, "m_nBrightG": 57, "m_bBlur": 1, "m_nBlurSize": 29,
    "m_bLight1": 1, "m_bLight2": 1, "m_bLight3": 1,
}


def write_bmp(path):
    stride = (WIDTH * 3 + 3) // 4 * 4
    header = bytearray(54)
    header[0:2] = b"BM"
    header[2:6] = (54 + stride * HEIGHT).to_bytes(4, "little")
    header[10:14] = (54).to_bytes(4, "little")
    header[14:18] = (40).to_bytes(4, "little")
    header[18:22] = WIDTH.to_bytes(4, "little")
    header[22:26] = HEIGHT.to_bytes(4, "little")
    header[26:28] = (1).to_bytes(2, "little")
    header[28:30] = (24).to_bytes(2, "little")
    header[34:38] = (stride * HEIGHT).to_bytes(4, "little")
    base = bytes((x * 255 // WIDTH, (x * 7) % 256, 255 - x * 255 // WIDTH)[i] for x in range(WIDTH) for i in range(3))
    base += bytes(stride - WIDTH * 3)
    with open(path, "wb") as out:
        out.write(header)
        for y in range(HEIGHT):
            shift = (y * 3) % (WIDTH * 3)
            out.write(base[shift:WIDTH * 3] + base[:shift] + bytes(stride - WIDTH * 3))


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else "build/cli/lumivane-cli"
    with tempfile.TemporaryDirectory() as folder:
        picture = os.path.join(folder, "big.bmp")
        write_bmp(picture)
        profile = os.path.join(folder, "every-stage.qmx")
        with open(profile, "w") as out:
            out.write("\n[Settings]\n")
            for key, value in EVERY_STAGE_ON.items():
                out.write(f"{key}={value}\n")
        start = time.monotonic()
        subprocess.run([cli, "apply", "--profile", profile, "--rotate", "1", picture, "-o",
                        os.path.join(folder, "out.bmp")], check=True)
        seconds = time.monotonic() - start
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024
        size = WIDTH * HEIGHT * 3
        print(f"picture {size / 1e6:.1f} MB, peak resident {peak / 1e6:.1f} MB = {peak / size:.2f} x the picture, "
              f"wall {seconds:.2f} s (read, full chain, write)")


if __name__ == "__main__":
    main()
