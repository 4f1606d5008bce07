"""El módulo visto desde Python: firmas, conversiones de los argumentos y orden de las comprobaciones."""

import math
from pathlib import Path

import numpy as np
import pytest

import glifador
from pinturas import ANCHO_TEXTO, ESPACIOS_TEXTO, LEER, SIN_SILUETA, anillo, codificar, fallo, figura_alfa, llena

PNG = figura_alfa(anillo(40, 16, 0))
VACIA = codificar(np.full((20, 20, 3), 90, np.uint8))
FALTA = Path(__file__).resolve().parent / "no_existe.png"
FIRMAS = {
    "dibujar": '(imagen, texto, ancho=..., aspecto=2.0, repetir=True, espacios="normal", umbral=None, invertir=False, '
               "huecos=False, suavizar=0, desfase=0, color=False)",
    "analizar": '(imagen, texto=None, ancho=..., aspecto=2.0, espacios="normal", umbral=None, invertir=False, '
                "huecos=False, suavizar=0)",
    "animar": "(imagen, texto, fotogramas=None, paso=1, latido=0.0, ancho=..., aspecto=2.0, repetir=True, "
              'espacios="normal", umbral=None, invertir=False, huecos=False, suavizar=0, desfase=0, color=False)',
    "a_svg": "(fotogramas, intervalo=0.08, colores=..., fondo=None, tamano=14.0, aspecto=2.0)",
    "reproducir": "(fotogramas, intervalo=0.08, veces=None, colores=None)",
}


@pytest.mark.parametrize("nombre", FIRMAS)
def test_firma(nombre):
    assert glifador.__version__ == "0.3.3" and glifador.__doc__ == ""
    assert glifador.__file__.endswith(".abi3.so")  # una sola rueda para todo CPython ≥ 3.10
    assert getattr(glifador, nombre).__text_signature__ == FIRMAS[nombre] and getattr(glifador, nombre).__doc__


def test_argumentos():  # por posición, en el orden de la firma
    assert glifador.dibujar(PNG, "a", 60, 1.0, False, "sin", None, False, True, 0, 3, False) == glifador.dibujar(
        PNG, "a", ancho=60, aspecto=1.0, repetir=False, espacios="sin", huecos=True, desfase=3)
    assert glifador.analizar(PNG, "hola", 40, 1.0, "sin", None, False, True, 0) == glifador.analizar(
        PNG, texto="hola", ancho=40, aspecto=1.0, espacios="sin", huecos=True)
    for llamada in [lambda: glifador.dibujar(PNG), lambda: glifador.dibujar(PNG, "hola", otra=1),
                    lambda: glifador.dibujar(PNG, "hola", imagen=PNG),
                    lambda: glifador.dibujar(PNG, "a", 60, 2.0, True, "normal", None, False, False, 0, 0, False, 1),
                    lambda: glifador.analizar(PNG, "hola", 40, 1.0, "sin", None, False, True, 0, 1)]:
        with pytest.raises(TypeError):
            llamada()


def test_misma_figura_por_cualquier_via(tmp_path):
    (tmp_path / "fig.png").write_bytes(PNG)
    esperado = glifador.dibujar(PNG, "hola")
    for imagen in (str(tmp_path / "fig.png"), tmp_path / "fig.png", bytearray(PNG), list(PNG), tuple(PNG),
                   memoryview(PNG)):
        assert glifador.dibujar(imagen, "hola") == esperado


def test_valores_validos_en_el_limite():
    igual = lambda k, otra={}: glifador.dibujar(PNG, "hola", **k) == glifador.dibujar(PNG, "hola", **otra)
    assert igual({"ancho": "AUTO"}, {"ancho": "auto"}) and igual({"ancho": "Auto"}, {"ancho": "auto"})
    assert igual({"umbral": None}) and igual({"aspecto": np.float64(2.0)}) and igual({"repetir": np.True_})
    assert igual({"espacios": "NORMAL"}) and igual({"ancho": "+40"}, {"ancho": 40})
    assert glifador.dibujar(PNG, "hola", desfase=2**64 - 1, suavizar=2**64 - 1, espacios="Sin")


TODAS = ("dibujar", "analizar", "animar")
OPCION = "opción inválida: "
MALA = {"imagen": b"no"}  # sin imagen: lo que se comprueba antes de leerla
ORDEN = [
    (TODAS, {"imagen": 3, "ancho": "x"}, TypeError, None),
    (TODAS, {"imagen": [1, 256]}, TypeError, None),
    (TODAS, {**MALA, "texto": 3, "ancho": "x"}, TypeError, None),
    (TODAS, {**MALA, "ancho": "x", "umbral": 256}, OverflowError, None),
    *[(("dibujar",), {**MALA, k: v}, TypeError, None) for k, v in [
        ("imagen", 2.5), ("imagen", None), ("imagen", [1, "a"]), ("imagen", object()), ("texto", b"hola"),
        ("umbral", "3"), ("desfase", 1.0), ("repetir", 1), ("repetir", None), ("color", "si"), ("aspecto", "2"),
        ("espacios", 3), ("ancho", -1), ("ancho", 2**64), ("ancho", 3.0), ("ancho", None)]],
    *[(("dibujar",), {**MALA, k: v}, OverflowError, None) for k, v in [
        ("umbral", -1), ("umbral", 2**70), ("suavizar", -1), ("suavizar", 2**64), ("desfase", -1)]],
    *[(("animar",), {**MALA, "ancho": "x", **k}, e, None) for k, e in [
        ({"paso": -1}, OverflowError), ({"fotogramas": -1}, OverflowError), ({"fotogramas": 2**64}, OverflowError),
        ({"fotogramas": 1.5}, TypeError), ({"latido": "x"}, TypeError), ({"color": 1}, TypeError)]],
    (TODAS, {**MALA, "ancho": "x", "espacios": "otro"}, ValueError, ANCHO_TEXTO),
    *[(("dibujar",), {**MALA, "ancho": a}, ValueError, ANCHO_TEXTO)
      for a in ["40 ", "-1", "", "ancho", "autos", "4O", str(2**64)]],
    (TODAS, {**MALA, "espacios": "otro"}, ValueError, ESPACIOS_TEXTO),
    (TODAS, {**MALA, "ancho": 0, "texto": ""}, ValueError, LEER + "..."),
    (("animar",), {**MALA, "fotogramas": 0, "latido": 2.0}, ValueError, LEER + "..."),
    (TODAS, {"imagen": FALTA, "ancho": 0, "texto": ""}, OSError, "...No such file or directory (os error 2)"),
    (("animar",), {"imagen": FALTA, "fotogramas": 0, "latido": 2.0}, OSError, "... (os error 2)"),
    *[(("animar",), {"latido": v, "fotogramas": 0, "ancho": 0}, ValueError, OPCION + "latido debe estar entre 0 y 1")
      for v in [1.0, -0.1, math.nan, 2.0, math.inf]],
    (("animar",), {"fotogramas": 0, "ancho": 0, "aspecto": -1}, ValueError, OPCION + "fotogramas debe ser > 0"),
    (TODAS, {"imagen": VACIA, "ancho": 0, "aspecto": 0.0, "texto": ""}, ValueError, OPCION + "ancho debe ser > 0"),
    *[(("dibujar",), {"aspecto": v}, ValueError, OPCION + "aspecto debe ser > 0")
      for v in [0.0, -1.0, math.inf, -math.inf, 1e39]],
    (TODAS, {"imagen": VACIA, "aspecto": math.nan, "texto": ""}, ValueError, OPCION + "aspecto debe ser > 0"),
    (("analizar",), {"imagen": VACIA, "ancho": "AUTO", "texto": None}, ValueError,
     OPCION + 'ancho="auto" necesita un texto'),
    (("dibujar", "animar"), {"imagen": VACIA, "texto": " \n\t "}, ValueError, "el texto está vacío"),
    (TODAS, {"imagen": VACIA, "ancho": "auto", "texto": ""}, ValueError, "el texto está vacío"),
    (TODAS, {"imagen": VACIA, "ancho": "auto"}, ValueError, SIN_SILUETA),
    (TODAS, {"imagen": VACIA}, ValueError, SIN_SILUETA),
    (TODAS, {"imagen": codificar(np.zeros((1, 1, 4), np.uint8))}, ValueError, SIN_SILUETA),
    (("analizar",), {"imagen": VACIA, "texto": " \n\t "}, ValueError, SIN_SILUETA),
    (TODAS, {"imagen": llena(1000), "texto": "x" * 5000, "ancho": "auto"}, ValueError,
     "el texto tiene 5000 letras y la silueta admite como mucho 1000 (con 1000 columnas)"),
]


@pytest.mark.parametrize("funciones, kwargs, tipo, mensaje", ORDEN)
def test_orden_de_las_comprobaciones(funciones, kwargs, tipo, mensaje):
    for funcion in funciones:
        texto = fallo(funcion, **{"imagen": PNG, "texto": "hola", **kwargs}, tipo=tipo)
        if mensaje and mensaje.endswith("..."):
            assert texto.startswith(mensaje[:-3]), funcion
        elif mensaje and mensaje.startswith("..."):
            assert texto.endswith(mensaje[3:]), funcion
        elif mensaje:
            assert texto == mensaje, funcion
