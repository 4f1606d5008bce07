"""El documento SVG: formato exacto, colores, tramos y documentos que todo visor puede abrir."""

import math
import re
import xml.etree.ElementTree as ET

import pytest

import glifador
from pinturas import fallo

NS = "{http://www.w3.org/2000/svg}"
CABECERA = ('<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {0} {1}" width="{0}" height="{1}" role="img" '
            'aria-label="glifador">')
ESTILO = ("<style>text{font-family:'DejaVu Sans Mono',Menlo,Consolas,'Liberation Mono',monospace;"
          "font-size:14px;font-weight:bold;fill:")
DEGRADADO = ('<defs><linearGradient id="g" x1="0" y1="0" x2="1" y2="0"><stop offset="0.000" stop-color="#ff2d55"/>'
             '<stop offset="1.000" stop-color="#b44dff"/></linearGradient></defs>')
ERROR_MEDIDAS = "opción inválida: intervalo, tamaño y aspecto deben ser > 0"
ERROR_COLOR = "opción inválida: los colores van en hexadecimal: #rgb o #rrggbb"
ROJO = "\x1b[38;2;255;0;0m"


def svg(fotogramas, **opciones):
    """a_svg, comprobando siempre que el documento es XML bien formado."""
    doc = glifador.a_svg(fotogramas, **opciones)
    ET.fromstring(doc)
    return doc


def tramos(doc):
    """(y, x, fill, texto) de cada tspan, en orden."""
    return [(texto.get("y"), t.get("x"), t.get("fill"), t.text)
            for texto in ET.fromstring(doc).iter(NS + "text") for t in texto.iter(NS + "tspan")]


@pytest.mark.parametrize("fotogramas, opciones, esperado", [
    (["ab", "cd"], {}, CABECERA.format(17, 17) + DEGRADADO + ESTILO + "url(#g)}.f{opacity:0;animation:v 0.160s "
     'step-end infinite}@keyframes v{0%{opacity:1}50.0000%{opacity:0}100%{opacity:0}}</style><g class="f" '
     'style="animation-delay:0.000s"><text y="13.3"><tspan x="0.0">ab</tspan></text></g><g class="f" '
     'style="animation-delay:0.080s" opacity="0"><text y="13.3"><tspan x="0.0">cd</tspan></text></g></svg>'),
    ("ab", {"colores": ["#0A0"]}, CABECERA.format(17, 17) + ESTILO + '#00aa00}</style><g><text y="13.3">'
     '<tspan x="0.0">ab</tspan></text></g></svg>'),
    (["abc\nd"], {"fondo": "#123", "colores": ["#fff"]}, CABECERA.format(68, 76) + ESTILO + '#ffffff}</style>'
     '<rect width="100%" height="100%" rx="12" fill="#112233"/><g><text y="34.3"><tspan x="21.0">abc</tspan>'
     '</text><text y="51.1"><tspan x="21.0">d</tspan></text></g></svg>'),
], ids=["dos_fotogramas", "un_color", "fondo_y_margen"])
def test_documento_entero(fotogramas, opciones, esperado):
    assert svg(fotogramas, **opciones) == esperado


def test_entidades_paradas_y_lineas_vacias():
    assert tramos(svg("ab\n   \n\ncd")) == [("13.3", "0.0", None, "ab"), ("63.7", "0.0", None, "cd")]
    assert '>a&lt;b</tspan><tspan x="33.6">&amp;</tspan><tspan x="50.4">c&gt;d<' in svg("a<b & c>d")
    assert ('<stop offset="0.000" stop-color="#ff0000"/><stop offset="0.500" stop-color="#00ff00"/><stop '
            'offset="1.000" stop-color="#0000ff"/>') in svg("x", colores=["#f00", "#0f0", "#00f"])


@pytest.mark.parametrize("fotograma, esperado", [
    ("  hola mundo", [("16.8", None, "hola"), ("58.8", None, "mundo")]),
    ("a<b & c>d", [("0.0", None, "a<b"), ("33.6", None, "&"), ("50.4", None, "c>d")]),
    ("e\u0301x\ty", [("0.0", None, "e\u0301x"), ("25.2", None, "y")]),  # grafemas
    (ROJO + "ab\x1b[38;2;0;0;255mc\x1b[0m d",
     [("0.0", "#ff0000", "ab"), ("16.8", "#0000ff", "c"), ("33.6", None, "d")]),
    (ROJO + "ab \x1b[0mc", [("0.0", "#ff0000", "ab"), ("25.2", None, "c")]),
    ("\x1b[38;2;300;0;0mx", [("0.0", None, "x")]),  # fuera de rango
    (ROJO + "a\x1b[1mb", [("0.0", "#ff0000", "ab")]),  # otra secuencia
    (ROJO + "a\x1b[mb", [("0.0", "#ff0000", "a"), ("8.4", None, "b")]),
    ("\x1b[38;2;007;0;00255mx", [("0.0", "#0700ff", "x")]),
    ("\x1b[38;2;1;2;3;4mx", [("0.0", None, "x")]),
    (ROJO + "a\x1b[38;2;255;0;0mb", [("0.0", "#ff0000", "ab")]),
    ("a\x1bb\x1b", [("0.0", None, "ab")]),
    ("a\x1b[38;2;1;2;3", [("0.0", None, "a")]),
    ("a\x1b[2Kb", [("0.0", None, "ab")]),
    ("\x1b[38;2;1;2;3Hy\x1b[38;2;1;2m", [("0.0", "#010203", "y")]),  # cualquier letra cierra
])
def test_tramos_de_una_linea(fotograma, esperado):
    assert tramos(svg(fotograma)) == [("13.3", *t) for t in esperado]


@pytest.mark.parametrize("c", ["\x00", "\x01", "\x08", "\x0e", "\x1f", "\ufffe", "\uffff", "\x7f", "\u0080", "\ud7ff",
                               "\ue000", "\ufffd", "\U0010ffff", "'", '"'])
def test_lo_que_xml_no_admite_se_sustituye(c):
    prohibido = c < "\x20" or c in "\ufffe\uffff"
    assert [t[3] for t in tramos(svg([f"a{c}b", "x"]))] == ["a" + ("\ufffd" if prohibido else c) + "b", "x"]


@pytest.mark.parametrize("fotogramas, ancho, alto", [
    (["ab"], "17", "17"), (["ab\n"], "17", "34"), (["a", "b\nc\nd", ""], "9", "51"), ([""], "0", "17"),
])
def test_filas_y_columnas(fotogramas, ancho, alto):
    raiz = ET.fromstring(svg(fotogramas))
    assert (raiz.get("width"), raiz.get("height"), raiz.get("viewBox")) == (ancho, alto, f"0 0 {ancho} {alto}")


@pytest.mark.parametrize("tamano, texto", [
    (14, "14"), (12.5, "12.5"), (0.1, "0.1"), (16777217, "16777216"), (1e30, "1000000015047466219876688855040"),
])
def test_tamano_decimal_mas_corto(tamano, texto):
    assert f"font-size:{texto}px;" in svg("a", tamano=tamano)


@pytest.mark.parametrize("n, intervalo, trozos", [
    (128, 0.0625, ["0.7812%", "animation:v 8.000s", "delay:0.062s", "delay:0.188s", "delay:0.125s"]),
    (3, 0.08, ["33.3333%", "animation:v 0.240s", "delay:0.160s"]),
    (7, 1.0, ["14.2857%", "animation:v 7.000s", "delay:6.000s"]),
])
def test_decimales_fijos_con_empate_al_par(n, intervalo, trozos):
    doc = svg(["x"] * n, intervalo=intervalo)
    assert all(trozo in doc for trozo in trozos)
    grupos = list(ET.fromstring(doc).iter(NS + "g"))
    assert len(grupos) == n and [g.get("opacity") for g in grupos] == [None] + ["0"] * (n - 1)


def test_lo_enorme_pero_finito_se_escribe_sin_exponente():
    assert not re.search(r"\d[eE][+-]?\d|\binf\b|\bnan\b", svg(["a\nb", "c"], tamano=1e37, intervalo=1e30))


@pytest.mark.parametrize("fotogramas, opciones, tipo, mensaje", [
    *[(["a", "b"], {k: v}, ValueError, ERROR_MEDIDAS)
      for k in ("intervalo", "tamano", "aspecto") for v in (0, -1, math.nan, math.inf, -math.inf, 1e-50)],
    (["ab"], {"tamano": 3e38}, ValueError, ERROR_MEDIDAS),  # W
    (["a"], {"tamano": 1e38, "fondo": "#000"}, ValueError, ERROR_MEDIDAS),  # margen
    (["a"], {"aspecto": 1e38}, ValueError, ERROR_MEDIDAS),  # H
    (["a\nb"], {"tamano": 3.4e38, "aspecto": 0.8}, ValueError, ERROR_MEDIDAS),  # solo y de la segunda línea
    (["a", "b"], {"intervalo": 3e38}, ValueError, ERROR_MEDIDAS),  # duración del bucle
    (["a"] * 3, {"intervalo": 2e38}, ValueError, ERROR_MEDIDAS),
    ([], {"colores": []}, ValueError, "opción inválida: no hay fotogramas"),
    (["a"], {"colores": [], "tamano": 0}, ValueError, "opción inválida: hace falta al menos un color"),
    (["a"], {"colores": ["#ggg"], "tamano": 0}, ValueError, ERROR_COLOR),  # el color se lee antes
    (["a"], {"fondo": "rojo", "intervalo": -1}, ValueError, ERROR_COLOR),
    *[("a", o, ValueError, ERROR_COLOR)
      for t in ["fff", "#ffff", "#12345", "#ggg", "", "#", "# ff", "#ｆｆｆ", "#fff#", "#ff 000"]
      for o in ({"colores": [t]}, {"fondo": t}, {"colores": ["#fff", t]})],
    *[(f, o, TypeError, None) for f, o in [(3, {}), (["a", 3], {}), (None, {}), ("a", {"colores": "#fff"}),
                                         ("a", {"colores": None}), ("a", {"fondo": 3}), ("a", {"intervalo": "1"}),
                                         ("a", {"tamano": None})]],
])
def test_errores(fotogramas, opciones, tipo, mensaje):
    assert fallo("a_svg", fotogramas, tipo=tipo, **opciones) == mensaje or mensaje is None


@pytest.mark.parametrize("texto, hex_", [
    ("  #FFF  ", "#ffffff"), ("#Ff8000", "#ff8000"), ("#f80", "#ff8800"), ("\u3000#0a0\u2003\n", "#00aa00"),
    ("#000", "#000000"),
])
def test_colores_validos(texto, hex_):
    assert f"fill:{hex_}}}" in svg("a", colores=[texto]) and f'rx="12" fill="{hex_}"' in svg("a", fondo=texto)
