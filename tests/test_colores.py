"""Colores de las letras: la media por celda en luz lineal y dónde van las secuencias ANSI."""

import re

import numpy as np
import pytest

import glifador
import referencia
from pinturas import celdas, codificar, figura_de_colores

ROJO, AZUL, VERDE = (255, 0, 0), (0, 0, 255), (0, 160, 0)
FIN = "\x1b[0m"


def esc(rgb) -> str:
    return "\x1b[38;2;{};{};{}m".format(*rgb)


def rojos(*filas):
    return [[(v, 0, 0) for v in fila] for fila in filas]


@pytest.mark.parametrize("pixeles, figura, esperado", [
    ([[ROJO, AZUL]], [[1, 1]], (186, 0, 186)),  # 0.5^(1/2.2)·255, no la media simple 128
    ([[(255, 255, 255), (0, 0, 0)]], [[1, 1]], (186, 186, 186)),
    ([[(10, 20, 30), (250, 200, 90)]], [[1, 0]], (10, 20, 30)),  # el fondo no cuenta
    ([[(250, 200, 90), (10, 20, 30)]], [[0, 1]], (10, 20, 30)),
    ([[(255, 45, 85), (255, 45, 85)]], [[1, 1]], (255, 45, 85)),
    # con e = float(1/2.2 en double), una unidad mayor, saldría 162
    (rojos([170, 170], [170, 137]), [[1, 1], [1, 1]], (163, 0, 0)),
    # sumando columna a columna en vez de fila a fila saldría 64
    (rojos([17, 89, 94], [18, 75, 29]), [[1, 1, 1], [1, 1, 1]], (65, 0, 0)),
])
def test_media_de_una_celda(pixeles, figura, esperado):
    # a 1 columna y aspecto 2, una imagen de 1 o 2 filas de píxeles es una sola celda
    png = figura_de_colores(np.array(pixeles, np.uint8), np.array(figura, bool))
    assert glifador.dibujar(png, "x", ancho=1, color=True) == esc(esperado) + "x" + FIN


@pytest.mark.parametrize("colores, mascara, texto, opciones, esperado", [
    ([VERDE] * 5, None, "ab cd", {"repetir": False}, esc(VERDE) + "ab cd" + FIN),
    ([ROJO, AZUL] * 2, None, "abcd", {}, esc(ROJO) + "a" + esc(AZUL) + "b" + esc(ROJO) + "c" + esc(AZUL) + "d" + FIN),
    # ni un espacio de otro color ni una celda de fondo entre dos letras rojas cortan la racha
    ([ROJO, AZUL, ROJO], None, "a b", {"repetir": False}, esc(ROJO) + "a b" + FIN),
    ([ROJO, AZUL, ROJO], [1, 0, 1], "ab", {"repetir": False}, esc(ROJO) + "a b" + FIN),
    # celdas de figura tras el final del mensaje: recortadas, sin secuencia
    ([ROJO, ROJO, AZUL, AZUL, AZUL], None, "ab", {"repetir": False}, esc(ROJO) + "ab" + FIN),
    ([ROJO, ROJO, AZUL, AZUL, AZUL], None, "abc", {"repetir": False}, esc(ROJO) + "ab" + esc(AZUL) + "c" + FIN),
    # la línea empieza por el separador: se escribe tal cual, sin reinicio delante
    ([AZUL, ROJO, ROJO], None, "ab", {"desfase": 2}, " " + esc(ROJO) + "ab" + FIN),
])
def test_una_linea(colores, mascara, texto, opciones, esperado):
    # una columna de 2 píxeles por color: a len(colores) columnas, una fila de celdas
    png = figura_de_colores([colores] * 2, None if mascara is None else [mascara] * 2)
    assert glifador.dibujar(png, texto, ancho=len(colores), color=True, **opciones) == esperado


@pytest.mark.parametrize("dibujo, texto, opciones, esperado", [
    # el color no pasa de una línea a otra, y la fila de solo separador va vacía
    ("####\n#\n####", "abcd", {}, "{e}abcd{f}\n\n{e}abcd{f}"),
    ("####\n\n####", "abcd", {}, "{e}abcd{f}\n\n {e}abc{f}"),
    ("####\n" * 5 + "####", "ab", {"repetir": False}, "{e}ab{f}\n\n\n\n\n"),
])
def test_varias_lineas(dibujo, texto, opciones, esperado):
    salida = glifador.dibujar(celdas(dibujo, (5, 5, 5)), texto, ancho=4, color=True, **opciones)
    assert salida == esperado.format(e=esc((5, 5, 5)), f=FIN)


@pytest.mark.parametrize("semilla", range(8))
def test_contra_la_referencia(semilla):
    rng = np.random.default_rng(semilla)
    h, w = (int(v) for v in rng.integers(3, 60, size=2))
    rgba = rng.integers(0, 256, size=(h, w, 4), dtype=np.uint8)
    if semilla % 2:  # manchas de alfa en vez de ruido, para que haya rachas de figura
        rgba[..., 3] = np.where(rng.random((h, w)) < 0.6, 255, 0)
        rgba[0, 0, 3] = 0
    columnas = int(rng.integers(1, 70))
    aspecto = float(np.float32(rng.uniform(0.4, 3.0)))
    m = referencia.mascara(rgba)
    rj = referencia.rejilla(m, columnas, aspecto)
    dib = lambda **k: glifador.dibujar(codificar(rgba), "glifador", ancho=columnas, aspecto=aspecto, huecos=True, **k)
    if not rj.any():
        with pytest.raises(ValueError):
            dib(color=True)
        return
    coloreado = dib(color=True)
    assert coloreado == referencia.componer(rj, "glifador ", color=referencia.colores(rgba, m, columnas, aspecto))
    assert re.sub("\x1b\\[[0-9;]*m", "", coloreado) == dib()
