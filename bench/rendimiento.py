"""Tiempos de glifador frente a la decodificación de Pillow, en la misma ejecución.

    python bench/rendimiento.py [--repeticiones N]

Genera dos PNG de 4000×3000 (uno opaco y otro con alfa) en una carpeta temporal y
escribe una tabla con la mediana de cada operación y su razón respecto a
Image.open(p).convert("RGBA") del mismo archivo.
"""

from __future__ import annotations

import argparse
import statistics
import tempfile
import time
from pathlib import Path
from typing import Callable

import numpy as np
from PIL import Image

import glifador

ANCHO, ALTO = 4000, 3000
MENSAJE = "glifador escribe tu mensaje dentro de la silueta de una imagen "
MENSAJE_2000 = (MENSAJE * 40)[:2000]
MENSAJE_60 = MENSAJE[:60]


def generar(carpeta: Path) -> dict[str, Path]:
    """Una figura de contorno irregular con textura, para que el PNG no sea trivial."""
    rng = np.random.default_rng(7)
    y, x = np.mgrid[:ALTO, :ANCHO].astype(np.float32)
    ang = np.arctan2(y - ALTO / 2, x - ANCHO / 2)
    radio = 1100 + 180 * np.sin(5 * ang) + 60 * np.cos(13 * ang)
    dentro = np.hypot(x - ANCHO / 2, y - ALTO / 2) < radio
    ruido = rng.integers(0, 24, size=(ALTO, ANCHO, 3), dtype=np.uint8)
    rgb = np.where(dentro[..., None], np.array([200, 40, 90], np.uint8) + ruido, np.uint8(250) - ruido // 4)
    opaca = carpeta / "opaca.png"
    Image.fromarray(rgb.astype(np.uint8)).save(opaca)
    rgba = np.dstack([rgb.astype(np.uint8), np.where(dentro, 255, 0).astype(np.uint8)])
    alfa = carpeta / "alfa.png"
    Image.fromarray(rgba).save(alfa)
    return {"opaca": opaca, "alfa": alfa}


def mediana(f: Callable[[], object], repeticiones: int) -> float:
    f()  # calentamiento: cachés del sistema de archivos y de la CPU
    tiempos = []
    for _ in range(repeticiones):
        t = time.perf_counter()
        f()
        tiempos.append(time.perf_counter() - t)
    return statistics.median(tiempos)


def operaciones(p: Path) -> dict[str, Callable[[], object]]:
    """Lo que se mide de cada imagen; las ampliaciones añaden filas aquí."""
    # Los fotogramas del SVG se hacen una vez, fuera de lo que se mide.
    fotogramas = glifador.animar(p, MENSAJE_60, paso=1, latido=0.3)
    return {
        'dibujar(p, msg)': lambda: glifador.dibujar(p, MENSAJE),
        'dibujar(p, msg_2000, ancho="auto")': lambda: glifador.dibujar(p, MENSAJE_2000, ancho="auto"),
        "dibujar(p, msg, color=True)": lambda: glifador.dibujar(p, MENSAJE, color=True),
        "analizar(p, texto=msg_2000)": lambda: glifador.analizar(p, texto=MENSAJE_2000),
        "animar(p, msg_60, paso=1, latido=0.3)": lambda: glifador.animar(p, MENSAJE_60, paso=1, latido=0.3),
        "a_svg(fotogramas)": lambda: glifador.a_svg(fotogramas),
    }


def main() -> None:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--repeticiones", type=int, default=7)
    args = ap.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        archivos = generar(Path(tmp))
        print(f"{'imagen':8} {'operación':44} {'mediana (ms)':>12} {'× Pillow':>9}")
        for nombre, p in archivos.items():
            base = mediana(lambda: Image.open(p).convert("RGBA"), args.repeticiones)
            etiqueta = 'Pillow: Image.open(p).convert("RGBA")'
            print(f"{nombre:8} {etiqueta:44} {base * 1e3:12.1f} {1.0:9.2f}")
            for etiqueta, f in operaciones(p).items():
                t = mediana(f, args.repeticiones)
                print(f"{nombre:8} {etiqueta:44} {t * 1e3:12.1f} {t / base:9.2f}")


if __name__ == "__main__":
    main()
