"""analizar(): medidas de la silueta, tabla de anchos, relación con un texto y errores."""

import inspect

import numpy as np
import pytest

import glifador
import referencia
from pinturas import anillo, codificar, figura_alfa

CLAVES = [
    "ancho", "filas", "letras", "palabras_aprox", "letras_por_fila", "tramos",
    "tramo_min", "tramo_max", "plantilla", "letras_por_ancho",
]
CLAVES_TEXTO = CLAVES + ["texto_letras", "ancho_recomendado", "sobran"]
ANCHOS_ALTERNATIVOS = [30, 40, 50, 60, 80, 100, 120]
DISCO = figura_alfa(anillo(40, 16, 0))
VACIA = codificar(np.full((20, 20, 3), 90, np.uint8))


def fila(celdas: int) -> bytes:
    """Toda figura: a `celdas` columnas (aspecto 2) es una sola fila de `celdas` celdas."""
    arr = np.zeros((2, celdas * 2, 4), np.uint8)
    arr[..., 3] = 200  # alfa < 250: camino de la transparencia, y todo es figura
    return codificar(arr)


def esperado(rj: np.ndarray) -> dict:
    """Las medidas de una rejilla de la referencia."""
    filas = [f for f in range(rj.shape[0]) if rj[f].any()]
    rango = rj[filas[0] : filas[-1] + 1]
    izq = min(int(np.argmax(r)) for r in rango if r.any())
    texto = ["".join("#" if v else " " for v in r) for r in rango]
    tramos = [len(t) for linea in texto for t in linea.split()]
    letras = int(rango.sum())
    return {
        "ancho": rj.shape[1], "filas": len(rango), "letras": letras, "palabras_aprox": letras // 6,
        "letras_por_fila": [int(v) for v in rango.sum(1)], "tramos": len(tramos),
        "tramo_min": min(tramos), "tramo_max": max(tramos),
        "plantilla": "\n".join(linea[izq:].rstrip() for linea in texto),
    }


class TestFirma:
    def test_firma_y_documentacion(self):
        firma = inspect.signature(glifador.analizar)
        assert [(p.name, p.default) for p in firma.parameters.values()] == [
            ("imagen", inspect.Parameter.empty), ("texto", None), ("ancho", Ellipsis), ("aspecto", 2.0),
            ("espacios", "normal"), ("umbral", None), ("invertir", False), ("huecos", False), ("suavizar", 0),
        ]
        assert glifador.analizar.__doc__ == (
            "Examina la silueta sin escribir nada: cuántas letras/palabras caben, cómo\n"
            "se reparten por fila y, si se pasa `texto`, en qué ancho cabe completo."
        )

    @pytest.mark.parametrize("kwargs, claves", [({}, CLAVES), ({"texto": None}, CLAVES), ({"texto": ""}, CLAVES_TEXTO),
                                                ({"texto": "hola"}, CLAVES_TEXTO)])
    def test_claves_en_orden(self, kwargs, claves):
        d = glifador.analizar(DISCO, **kwargs)
        assert list(d) == claves
        assert d["ancho"] == 60 and list(d["letras_por_ancho"]) == ANCHOS_ALTERNATIVOS

    def test_por_posicion(self):
        d = glifador.analizar(DISCO, "hola", 40, 1.0, "sin", None, False, True, 0)
        assert d == glifador.analizar(DISCO, texto="hola", ancho=40, aspecto=1.0, espacios="sin", huecos=True)
        with pytest.raises(TypeError):
            glifador.analizar(DISCO, "hola", 40, 1.0, "sin", None, False, True, 0, 1)


class TestMedidas:
    def test_rectangulo(self):
        m = np.zeros((40, 40), bool)
        m[8:32, 10:30] = True  # a 20 columnas y aspecto 1, celdas de 2×2: 12 filas de 10
        d = glifador.analizar(figura_alfa(m), ancho=20, aspecto=1.0)
        assert (d["filas"], d["letras"], d["tramos"], d["tramo_min"], d["tramo_max"]) == (12, 120, 12, 10, 10)
        assert d["letras_por_fila"] == [10] * 12
        assert d["plantilla"] == "\n".join(["#" * 10] * 12)

    def test_anillo_con_huecos(self):
        d = glifador.analizar(figura_alfa(anillo(40, 16, 8)), ancho=40, aspecto=1.0, huecos=True)
        lineas = d["plantilla"].split("\n")
        medio = lineas[len(lineas) // 2]
        assert len(medio.split()) == 2 and medio == medio.strip()
        assert all(linea == linea.rstrip() for linea in lineas)
        assert d["tramos"] == sum(len(linea.split()) for linea in lineas) > d["filas"]

    def test_margenes_fuera_de_la_figura(self):
        # el mismo anillo con márgenes de fondo alineados a las celdas (2×2 píxeles)
        m = anillo(20, 9, 4)
        con_margen = np.zeros((34, 34), bool)
        con_margen[6:26, 10:30] = m
        solo = glifador.analizar(figura_alfa(m), ancho=10, aspecto=1.0, huecos=True)
        margen = glifador.analizar(figura_alfa(con_margen), ancho=17, aspecto=1.0, huecos=True)
        for clave in CLAVES[1:9]:
            assert margen[clave] == solo[clave], clave
        assert min(len(l) - len(l.lstrip()) for l in margen["plantilla"].split("\n")) == 0

    @pytest.mark.parametrize("letras, palabras", [(1, 0), (5, 0), (6, 1), (11, 1), (12, 2)])
    def test_palabras_aprox(self, letras, palabras):
        d = glifador.analizar(fila(letras), ancho=letras)
        assert (d["letras"], d["palabras_aprox"]) == (letras, palabras)

    def test_figura_que_desaparece_a_30_columnas(self):
        m = np.zeros((60, 120), bool)
        m[:, 3:5] = True  # a 30 columnas ocupa 1 de 4 píxeles de dos celdas; a 40, 2 de 3 de una
        tabla = glifador.analizar(figura_alfa(m), ancho=40)["letras_por_ancho"]
        assert 30 not in tabla and next(iter(tabla)) == 40
        with pytest.raises(ValueError, match="^no se encontró ninguna silueta en la imagen$"):
            glifador.analizar(figura_alfa(m), ancho=30)

    @pytest.mark.parametrize("semilla", range(6))
    def test_contra_la_referencia(self, semilla):
        rng = np.random.default_rng(semilla)
        h, w = (int(v) for v in rng.integers(4, 80, size=2))
        rgba = rng.integers(0, 256, size=(h, w, 4), dtype=np.uint8)
        rgba[..., 3] = np.where(rng.random((h, w)) < 0.5, 255, 0)
        columnas = int(rng.integers(1, 130))
        aspecto = float(np.float32(rng.uniform(0.5, 2.5)))
        m = referencia.mascara(rgba)
        png = codificar(rgba)
        tabla = {c: int(rj.sum()) for c in ANCHOS_ALTERNATIVOS if (rj := referencia.rejilla(m, c, aspecto)).any()}
        rj = referencia.rejilla(m, columnas, aspecto)
        if not rj.any():
            with pytest.raises(ValueError, match="no se encontró ninguna silueta"):
                glifador.analizar(png, ancho=columnas, aspecto=aspecto, huecos=True)
            return
        d = glifador.analizar(png, ancho=columnas, aspecto=aspecto, huecos=True)
        assert d == {**esperado(rj), "letras_por_ancho": tabla}
        assert list(d["letras_por_ancho"]) == list(tabla)


class TestTexto:
    @pytest.mark.parametrize(
        "texto, espacios, letras",
        [
            ("   ", "normal", 0),
            ("   ", "todos", 3),
            ("  a \n b ", "normal", 3),
            ("  a \n b ", "sin", 2),
            ("n\u0303\U0001F1EA\U0001F1F8", "normal", 2),  # racimos de grafemas, no puntos de código
        ],
    )
    def test_letras_del_texto(self, texto, espacios, letras):
        d = glifador.analizar(DISCO, texto=texto, espacios=espacios)
        assert d["texto_letras"] == letras
        assert d["sobran"] == d["letras"] - letras
        assert (d["ancho_recomendado"] is None) == (letras == 0)

    def test_ancho_automatico_es_el_de_dibujar(self):
        texto = "glifador escribe dentro de la silueta " * 3
        auto = glifador.analizar(DISCO, texto=texto, ancho="Auto")
        assert auto["ancho"] == auto["ancho_recomendado"]
        assert glifador.analizar(DISCO, texto=texto)["ancho_recomendado"] == auto["ancho"]
        assert glifador.dibujar(DISCO, texto, ancho="auto") == glifador.dibujar(DISCO, texto, ancho=auto["ancho"])
        assert auto["sobran"] >= 0

    def test_no_cabe(self):
        barra = np.zeros((2, 40), bool)
        barra[:, 10:30] = True
        png = figura_alfa(barra)
        cap = glifador.analizar(png, ancho=1000)["letras"]
        texto = "x" * (cap + 1)
        with pytest.raises(ValueError) as e:
            glifador.analizar(png, texto=texto, ancho="auto")
        assert str(e.value) == f"el texto tiene {cap + 1} letras y la silueta admite como mucho {cap} (con 1000 columnas)"
        d = glifador.analizar(png, texto=texto, ancho=60)
        assert d["ancho_recomendado"] is None
        assert d["sobran"] == d["letras"] - cap - 1 < 0


ANCHO_TEXTO = 'opción inválida: ancho debe ser un entero o "auto"'
ESPACIOS_TEXTO = 'opción inválida: espacios debe ser "normal", "sin" o "todos"'
SIN_SILUETA = "no se encontró ninguna silueta en la imagen"


class TestErrores:
    @pytest.mark.parametrize(
        "kwargs, excepcion, texto",
        [
            ({"imagen": 3, "ancho": "x"}, TypeError, None),
            ({"imagen": b"no", "texto": 3, "ancho": "x"}, TypeError, None),
            ({"imagen": b"no", "ancho": -1}, TypeError, None),
            ({"imagen": b"no", "ancho": "x", "umbral": 256}, OverflowError, None),
            ({"imagen": b"no", "ancho": "x", "espacios": "otro"}, ValueError, ANCHO_TEXTO),
            ({"imagen": b"no", "espacios": "otro"}, ValueError, ESPACIOS_TEXTO),
            ({"imagen": b"no", "ancho": 0}, ValueError, "^no se pudo leer la imagen: "),
            ({"imagen": VACIA, "ancho": 0, "aspecto": 0.0}, ValueError, "opción inválida: ancho debe ser > 0"),
            ({"imagen": VACIA, "ancho": "auto", "aspecto": float("nan")}, ValueError,
             "opción inválida: aspecto debe ser > 0"),
            ({"imagen": VACIA, "ancho": "AUTO"}, ValueError, 'opción inválida: ancho="auto" necesita un texto'),
            ({"ancho": "auto", "texto": ""}, ValueError, "el texto está vacío"),
            ({"imagen": VACIA, "ancho": "auto", "texto": "hola"}, ValueError, SIN_SILUETA),
            ({"imagen": VACIA, "texto": "hola"}, ValueError, SIN_SILUETA),
            ({"imagen": VACIA}, ValueError, SIN_SILUETA),
        ],
    )
    def test_orden(self, kwargs, excepcion, texto):
        with pytest.raises(excepcion) as e:
            glifador.analizar(**{"imagen": DISCO, **kwargs})
        if texto and texto.startswith("^"):
            assert str(e.value).startswith(texto[1:])
        elif texto:
            assert e.value.args == (texto,)

    def test_ruta_inexistente(self, tmp_path):
        with pytest.raises(OSError) as e:
            glifador.analizar(tmp_path / "no.png", ancho=0)
        assert str(e.value).endswith(" (os error 2)")

    def test_ancho_imposible_es_memoryerror(self):
        with pytest.raises(MemoryError):
            glifador.analizar(DISCO, ancho=10**12)
        assert glifador.analizar(DISCO)["letras"] > 0
