"""Semillas de los objetivos de fuzzing: imágenes pequeñas de cada formato y variante, y mensajes.

Uso: python fuzz/semillas.py CARPETA [CORPUS_PNG]. Escribe CARPETA/fuzz_imagen y
CARPETA/fuzz_texto; cada semilla lleva al final los 8 bytes de opciones que leen los objetivos.
"""

import io
import sys
from pathlib import Path

import numpy as np
from PIL import Image

# vía (0 = firma; 1..5 = extensión png, jpeg, gif, webp, bmp), columnas (0 = auto), aspecto,
# umbral (0 = automático), suavizar, banderas, desfase (2 bytes)
COLAS_IMAGEN = [
    bytes([0, 24, 14, 0, 0, 0, 0, 0]),
    bytes([0, 0, 6, 0, 1, 4 | 64, 3, 0]),
    bytes([0, 40, 14, 90, 2, 1 | 2, 0, 0]),
]


def pintura(lado=(40, 32), alfa=False):
    ancho, alto = lado
    y, x = np.mgrid[:alto, :ancho] + 0.5
    r = np.hypot(x - ancho / 2, y - alto / 2)
    arr = np.zeros((alto, ancho, 4), np.uint8)
    arr[...] = (240, 235, 220, 0 if alfa else 255)
    arr[(r < alto * 0.4) & (r > alto * 0.15)] = (180, 20, 30, 255)
    arr[alto * 3 // 4 :, ancho // 2 :] = (20, 60, 200, 255)
    return arr


def guardar(img, formato, **opciones):
    buf = io.BytesIO()
    img.save(buf, format=formato, **opciones)
    return buf.getvalue()


def imagenes():
    rgba = Image.fromarray(pintura(alfa=True))
    rgb = Image.fromarray(pintura()[..., :3].copy())
    paleta = rgb.quantize(8)
    otra = Image.fromarray(pintura()[::-1, ::-1, :3].copy())
    yield "png_rgba", guardar(rgba, "PNG")
    yield "png_entrelazado", guardar(rgb, "PNG", interlace=1)
    yield "png_paleta", guardar(paleta, "PNG", transparency=0)
    yield "png_16", guardar(Image.fromarray(pintura()[..., 0].astype(np.uint16) * 257), "PNG")
    yield "png_gris", guardar(rgb.convert("L"), "PNG")
    yield "apng", guardar(rgba, "PNG", save_all=True, append_images=[otra.convert("RGBA")])
    yield "jpeg", guardar(rgb, "JPEG", quality=70)
    yield "jpeg_progresivo", guardar(rgb, "JPEG", progressive=True)
    yield "jpeg_gris", guardar(rgb.convert("L"), "JPEG")
    yield "jpeg_cmyk", guardar(rgb.convert("CMYK"), "JPEG")
    yield "gif", guardar(paleta, "GIF", transparency=0)
    yield "gif_entrelazado", guardar(paleta, "GIF", interlace=True)
    yield "gif_animado", guardar(rgb, "GIF", save_all=True, append_images=[otra])
    yield "webp", guardar(rgb, "WEBP", quality=60)
    yield "webp_sin_perdida", guardar(rgba, "WEBP", lossless=True)
    yield "webp_animado", guardar(rgba, "WEBP", save_all=True, append_images=[otra.convert("RGBA")], lossless=True)
    yield "bmp", guardar(rgb, "BMP")
    yield "bmp_32", guardar(rgba, "BMP")
    yield "bmp_8", guardar(paleta, "BMP")
    yield "bmp_1", guardar(rgb.convert("1"), "BMP")


def mensajes():
    yield "hola", "hola mundo"
    yield "acentos", "El pingüino y el ñandú comen piñones en Cádiz."
    yield "combinantes", "n\u0303and\u00fa e\u0301 a\u0300"
    yield "emojis", "🐧🇪🇸👩🏽‍💻 ¡hola! ❤️"
    yield "espacios", "  uno\r\n\tdos\u00a0tres\u3000cuatro \n\n"
    yield "blanco", " \t\n "


def main():
    destino = Path(sys.argv[1])
    corpus = Path(sys.argv[2]) if len(sys.argv) > 2 else None
    (destino / "fuzz_imagen").mkdir(parents=True, exist_ok=True)
    (destino / "fuzz_texto").mkdir(parents=True, exist_ok=True)
    for nombre, datos in imagenes():
        for i, cola in enumerate(COLAS_IMAGEN):
            (destino / "fuzz_imagen" / f"{nombre}-{i}").write_bytes(datos + cola)
    if corpus and corpus.is_dir():
        for png in sorted(corpus.glob("*.png")):
            (destino / "fuzz_imagen" / png.stem).write_bytes(png.read_bytes() + COLAS_IMAGEN[0])
    mascara = np.packbits(pintura((20, 16))[..., 0] < 200, bitorder="little").tobytes()
    for nombre, texto in mensajes():
        for i, cola in enumerate([bytes([0, 12, 14, 0, 0, 0, 0, 0]), bytes([4 | 16, 0, 6, 5, 7, 0, 0, 0x80])]):
            datos = bytes([19, 15]) + mascara + texto.encode()
            (destino / "fuzz_texto" / f"{nombre}-{i}").write_bytes(datos + cola)


if __name__ == "__main__":
    main()
