#!/usr/bin/env python3
"""Writes the extraction benchmark's documents into a folder: a PDF of many pages with JPEG,
Flate colour and 1-bit pictures drawn among a map's lines and labels, as an atlas's pages are,
an EPUB with hundreds of pictures, and a many-page TIFF.
Pictures are made with ImageMagick; the PDF and EPUB are assembled here byte by byte."""
import io
import os
import random
import subprocess
import sys
import zipfile
import zlib


def magick(args, fmt):
    return subprocess.run(["convert", *args, fmt + ":-"], check=True, stdout=subprocess.PIPE).stdout


def jpeg(width, height, seed):
    return magick(["-size", f"{width}x{height}", f"plasma:red-blue", "-seed", str(seed), "-quality", "85"], "jpeg")


def rgb(width, height, seed):
    return magick(["-size", f"{width}x{height}", "-seed", str(seed), "plasma:green-yellow", "-depth", "8"], "rgb")


def bilevel(width, height, seed):
    gray = magick(["-size", f"{width}x{height}", "-seed", str(seed), "plasma:", "-colorspace", "gray",
                   "-threshold", "50%", "-depth", "1"], "gray")
    return gray


def map_content(number):
    """A page of a map as atlases draw it: contour lines, roads and place names in vector form
    around the picture. Readers that list pictures must read all of it to find where pictures
    are drawn, so it is what listing costs on real documents."""
    rng = random.Random(number)
    parts = ["0.2 w 1 J 1 j"]
    for line in range(120):
        parts.append(f"{rng.random():.3f} {rng.random():.3f} {rng.random():.3f} RG")
        x, y = rng.uniform(0, 400), rng.uniform(0, 300)
        points = [f"{x:.2f} {y:.2f} m"]
        for _ in range(18):
            x += rng.uniform(-6, 6)
            y += rng.uniform(-6, 6)
            points.append(f"{x:.2f} {y:.2f} l")
        parts.append(" ".join(points) + " S")
    parts.append("BT /F1 6 Tf")
    for label in range(40):
        name = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(4, 12)))
        parts.append(f"1 0 0 1 {rng.uniform(0, 380):.2f} {rng.uniform(0, 290):.2f} Tm ({name.title()}) Tj")
    parts.append("ET")
    return "\n".join(parts).encode()


def write_pdf(path, pages):
    """pages: list of (dict, data) image XObjects, one per page, each drawn among map lines."""
    objects = []

    def add(body):
        objects.append(body)
        return len(objects)

    catalog = add(None)
    tree = add(None)
    font = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    kids = []
    for number, (dictionary, data) in enumerate(pages):
        image = add(("<< /Type /XObject /Subtype /Image " + dictionary +
                     f" /Length {len(data)} >>\nstream\n").encode() + data + b"\nendstream")
        content = zlib.compress(map_content(number) + f"\nq 200 0 0 150 100 75 cm /Im{number} Do Q".encode(), 6)
        stream = add(f"<< /Length {len(content)} /Filter /FlateDecode >>\nstream\n".encode() + content +
                     b"\nendstream")
        page = add((f"<< /Type /Page /Parent {tree} 0 R /MediaBox [0 0 400 300] /Contents {stream} 0 R "
                    f"/Resources << /XObject << /Im{number} {image} 0 R >> /Font << /F1 {font} 0 R >> >> >>"
                    ).encode())
        kids.append(page)
    objects[catalog - 1] = f"<< /Type /Catalog /Pages {tree} 0 R >>".encode()
    objects[tree - 1] = (f"<< /Type /Pages /Count {len(kids)} /Kids [" +
                         " ".join(f"{k} 0 R" for k in kids) + "] >>").encode()
    out = io.BytesIO()
    out.write(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(out.tell())
        out.write(f"{number} 0 obj\n".encode() + body + b"\nendobj\n")
    xref = out.tell()
    out.write(f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n".encode())
    for offset in offsets:
        out.write(f"{offset:010d} 00000 n \n".encode())
    out.write(f"trailer\n<< /Size {len(objects) + 1} /Root {catalog} 0 R >>\nstartxref\n{xref}\n%%EOF\n".encode())
    with open(path, "wb") as f:
        f.write(out.getvalue())


def main():
    folder = sys.argv[1]
    pages = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    os.makedirs(folder, exist_ok=True)
    # A handful of distinct pictures, repeated: what costs is decoding and encoding, not variety.
    jpegs = [jpeg(640, 480, s) for s in range(4)]
    colours = [zlib.compress(rgb(320, 240, s), 6) for s in range(4)]
    scans = [zlib.compress(bilevel(1240, 1754, s), 6) for s in range(2)]
    pdf_pages = []
    for n in range(pages):
        kind = n % 3
        if kind == 0:
            pdf_pages.append(("/Width 640 /Height 480 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                              "/Filter /DCTDecode", jpegs[n % 4]))
        elif kind == 1:
            pdf_pages.append(("/Width 320 /Height 240 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                              "/Filter /FlateDecode", colours[n % 4]))
        else:
            pdf_pages.append(("/Width 1240 /Height 1754 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                              "/Filter /FlateDecode", scans[n % 2]))
    write_pdf(os.path.join(folder, "atlas.pdf"), pdf_pages)

    # Smooth pictures, as drawings and screenshots are: noise would make the files, not the
    # work, large.
    pngs = [magick(["-size", "400x300", f"gradient:rgb({40 * s},20,90)-rgb(250,{60 * s},10)", "-swirl",
                    str(90 + 30 * s)], "png") for s in range(4)]
    with zipfile.ZipFile(os.path.join(folder, "book.epub"), "w") as book:
        book.writestr(zipfile.ZipInfo("mimetype"), "application/epub+zip")
        book.writestr("META-INF/container.xml",
                      '<?xml version="1.0"?><container version="1.0" '
                      'xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles>'
                      '<rootfile full-path="OEBPS/book.opf" media-type="application/oebps-package+xml"/>'
                      '</rootfiles></container>')
        items, spine = [], []
        for n in range(300):
            picture = f"images/p{n:03d}." + ("jpg" if n % 2 else "png")
            book.writestr("OEBPS/" + picture, jpegs[n % 4] if n % 2 else pngs[n % 4])
            items.append(f'<item id="i{n}" href="{picture}" media-type="image/{"jpeg" if n % 2 else "png"}"/>')
            page = f"p{n:03d}.xhtml"
            book.writestr("OEBPS/" + page, f'<html xmlns="http://www.w3.org/1999/xhtml"><body>'
                                           f'<img src="{picture}"/></body></html>')
            items.append(f'<item id="x{n}" href="{page}" media-type="application/xhtml+xml"/>')
            spine.append(f'<itemref idref="x{n}"/>')
        book.writestr("OEBPS/book.opf",
                      '<?xml version="1.0"?><package xmlns="http://www.idpf.org/2007/opf" version="2.0">'
                      '<metadata/><manifest>' + "".join(items) + '</manifest><spine>' + "".join(spine) +
                      '</spine></package>')

    frames = os.path.join(folder, "frame.png")
    with open(frames, "wb") as f:
        f.write(pngs[0])
    subprocess.run(["convert", *([frames] * 300), "-compress", "lzw", os.path.join(folder, "scans.tif")],
                   check=True)
    os.remove(frames)


if __name__ == "__main__":
    main()
