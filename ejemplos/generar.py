"""Dibuja las imágenes de ejemplo del repositorio (hace falta Pillow).

    python ejemplos/generar.py

corazon.png: corazón degradado sobre fondo transparente.
gato.png: gato sentado, opaco, sobre fondo blanco liso.
"""

import math
from pathlib import Path

from PIL import Image, ImageDraw

AQUI = Path(__file__).resolve().parent


def corazon(lado: int = 480) -> Image.Image:
    img = Image.new("RGBA", (lado, lado), (0, 0, 0, 0))
    puntos = []
    for i in range(720):
        t = 2 * math.pi * i / 720
        x = 16 * math.sin(t) ** 3
        y = 13 * math.cos(t) - 5 * math.cos(2 * t) - 2 * math.cos(3 * t) - math.cos(4 * t)
        puntos.append((lado / 2 + x * lado / 36, lado * 0.45 - y * lado / 36))
    mascara = Image.new("L", img.size, 0)
    ImageDraw.Draw(mascara).polygon(puntos, fill=255)
    # degradado de rosa intenso (arriba) a violeta (abajo)
    degradado = Image.new("RGBA", img.size)
    d = ImageDraw.Draw(degradado)
    for y in range(lado):
        f = y / (lado - 1)
        d.line([(0, y), (lado, y)], fill=(int(255 - 75 * f), int(45 + 32 * f), int(85 + 170 * f), 255))
    img.paste(degradado, (0, 0), mascara)
    return img


def gato(ancho: int = 480, alto: int = 560) -> Image.Image:
    img = Image.new("RGB", (ancho, alto), (255, 255, 255))
    d = ImageDraw.Draw(img)
    naranja, oscuro = (232, 132, 38), (150, 70, 20)
    d.ellipse((110, 250, 370, 540), fill=naranja)                      # cuerpo
    d.ellipse((140, 90, 340, 280), fill=naranja)                       # cabeza
    d.polygon([(150, 150), (165, 40), (235, 110)], fill=naranja)       # oreja izquierda
    d.polygon([(330, 150), (315, 40), (245, 110)], fill=naranja)       # oreja derecha
    d.arc((250, 380, 470, 560), start=200, end=350, fill=oscuro, width=34)  # cola
    d.ellipse((150, 500, 230, 545), fill=oscuro)                       # patas
    d.ellipse((250, 500, 330, 545), fill=oscuro)
    return img


if __name__ == "__main__":
    corazon().save(AQUI / "corazon.png", optimize=True)
    gato().save(AQUI / "gato.png", optimize=True)
    print("ejemplos/corazon.png y ejemplos/gato.png listos")
