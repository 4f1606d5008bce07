"""analizar(): medidas de la silueta, tabla de anchos y relación con un texto."""

import numpy as np
import pytest

import glifador
import referencia
from pinturas import SIN_SILUETA, anillo, codificar, fallo, figura_alfa, llena

CLAVES = ["ancho", "filas", "letras", "palabras_aprox", "letras_por_fila", "tramos", "tramo_min", "tramo_max",
          "plantilla", "letras_por_ancho"]
ANCHOS_ALTERNATIVOS = [30, 40, 50, 60, 80, 100, 120]
DISCO = figura_alfa(anillo(40, 16, 0))


@pytest.mark.parametrize("kwargs, extra", [({}, []), ({"texto": None}, []),
                                           ({"texto": ""}, ["texto_letras", "ancho_recomendado", "sobran"])])
def test_claves_en_orden(kwargs, extra):
    d = glifador.analizar(DISCO, **kwargs)
    assert list(d) == CLAVES + extra and d["ancho"] == 60 and list(d["letras_por_ancho"]) == ANCHOS_ALTERNATIVOS


def test_rectangulo():
    m = np.zeros((40, 40), bool)
    m[8:32, 10:30] = True  # a 20 columnas y aspecto 1, celdas de 2×2: 12 filas de 10
    d = glifador.analizar(figura_alfa(m), ancho=20, aspecto=1.0)
    assert [d[k] for k in CLAVES[1:9]] == [12, 120, 20, [10] * 12, 12, 10, 10, "\n".join(["#" * 10] * 12)]


@pytest.mark.parametrize("letras, palabras", [(5, 0), (6, 1), (11, 1), (12, 2)])
def test_palabras_aprox(letras, palabras):
    d = glifador.analizar(llena(letras), ancho=letras)
    assert (d["letras"], d["palabras_aprox"]) == (letras, palabras)


def test_figura_que_desaparece_a_30_columnas():
    m = np.zeros((60, 120), bool)
    m[:, 3:5] = True  # a 30 columnas ocupa 1 de 4 píxeles de dos celdas; a 40, 2 de 3 de una
    assert list(glifador.analizar(figura_alfa(m), ancho=40)["letras_por_ancho"])[0] == 40
    assert fallo("analizar", figura_alfa(m), ancho=30) == SIN_SILUETA


@pytest.mark.parametrize("semilla", range(6))
def test_contra_la_referencia(semilla):
    rng = np.random.default_rng(semilla)
    h, w = (int(v) for v in rng.integers(4, 80, size=2))
    rgba = rng.integers(0, 256, size=(h, w, 4), dtype=np.uint8)
    rgba[..., 3] = np.where(rng.random((h, w)) < 0.5, 255, 0)
    columnas, aspecto = int(rng.integers(1, 130)), float(np.float32(rng.uniform(0.5, 2.5)))
    m, png = referencia.mascara(rgba), codificar(rgba)
    tabla = {c: int(rj.sum()) for c in ANCHOS_ALTERNATIVOS if (rj := referencia.rejilla(m, c, aspecto)).any()}
    rj = referencia.rejilla(m, columnas, aspecto)
    if not rj.any():
        assert fallo("analizar", png, ancho=columnas, aspecto=aspecto, huecos=True) == SIN_SILUETA
        return
    f0, f1, izq = referencia.caja(rj)
    lineas = ["".join(" #"[int(v)] for v in r[izq:]).rstrip() for r in rj[f0 : f1 + 1]]
    tramos = [len(t) for linea in lineas for t in linea.split()]
    d = glifador.analizar(png, ancho=columnas, aspecto=aspecto, huecos=True)
    assert d == {
        "ancho": columnas, "filas": len(lineas), "letras": int(rj.sum()), "palabras_aprox": int(rj.sum()) // 6,
        "letras_por_fila": [int(v) for v in rj[f0 : f1 + 1].sum(1)], "tramos": len(tramos), "tramo_min": min(tramos),
        "tramo_max": max(tramos), "plantilla": "\n".join(lineas), "letras_por_ancho": tabla,
    }
    assert list(d["letras_por_ancho"]) == list(tabla)


@pytest.mark.parametrize("texto, espacios, letras", [
    ("   ", "normal", 0), ("   ", "todos", 3), ("  a \n b ", "normal", 3), ("  a \n b ", "sin", 2),
    ("n\u0303\U0001F1EA\U0001F1F8", "normal", 2)  # racimos de grafemas, no puntos de código
])
def test_letras_del_texto(texto, espacios, letras):
    d = glifador.analizar(DISCO, texto=texto, espacios=espacios)
    assert d["texto_letras"] == letras and d["sobran"] == d["letras"] - letras
    assert (d["ancho_recomendado"] is None) == (letras == 0)


def test_ancho_automatico_es_el_de_dibujar():
    texto = "glifador escribe dentro de la silueta " * 3
    auto = glifador.analizar(DISCO, texto=texto, ancho="Auto")
    assert auto["ancho"] == auto["ancho_recomendado"] == glifador.analizar(DISCO, texto=texto)["ancho_recomendado"]
    assert glifador.dibujar(DISCO, texto, ancho="auto") == glifador.dibujar(DISCO, texto, ancho=auto["ancho"])
    assert auto["sobran"] >= 0


def test_no_cabe():
    barra = np.zeros((2, 40), bool)
    barra[:, 10:30] = True
    cap = glifador.analizar(figura_alfa(barra), ancho=1000)["letras"]
    assert fallo("analizar", figura_alfa(barra), texto="x" * (cap + 1), ancho="auto") == (
        f"el texto tiene {cap + 1} letras y la silueta admite como mucho {cap} (con 1000 columnas)")
    d = glifador.analizar(figura_alfa(barra), texto="x" * (cap + 1), ancho=60)
    assert d["ancho_recomendado"] is None and d["sobran"] == d["letras"] - cap - 1 < 0
