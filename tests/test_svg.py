"""El documento SVG: formato exacto, colores, tramos y documentos que todo visor puede abrir."""

import math
import re
import xml.etree.ElementTree as ET

import pytest

import glifador

NS = "{http://www.w3.org/2000/svg}"
ESTILO = (
    "<style>text{font-family:'DejaVu Sans Mono',Menlo,Consolas,'Liberation Mono',monospace;"
    "font-size:14px;font-weight:bold;fill:"
)
DEGRADADO = (
    '<defs><linearGradient id="g" x1="0" y1="0" x2="1" y2="0"><stop offset="0.000" stop-color="#ff2d55"/>'
    '<stop offset="1.000" stop-color="#b44dff"/></linearGradient></defs>'
)
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
    salida = []
    for texto in ET.fromstring(doc).iter(NS + "text"):
        for t in texto.iter(NS + "tspan"):
            salida.append((texto.get("y"), t.get("x"), t.get("fill"), t.text))
    return salida


def error(fotogramas, **opciones):
    with pytest.raises(ValueError) as e:
        glifador.a_svg(fotogramas, **opciones)
    return e.value.args


class TestEjemplos:
    def test_dos_fotogramas_por_defecto(self):
        assert svg(["ab", "cd"]) == (
            '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 17 17" width="17" height="17" role="img" '
            'aria-label="glifador">' + DEGRADADO + ESTILO + "url(#g)}"
            ".f{opacity:0;animation:v 0.160s step-end infinite}@keyframes v{0%{opacity:1}50.0000%{opacity:0}"
            '100%{opacity:0}}</style><g class="f" style="animation-delay:0.000s"><text y="13.3"><tspan x="0.0">ab'
            '</tspan></text></g><g class="f" style="animation-delay:0.080s" opacity="0"><text y="13.3">'
            '<tspan x="0.0">cd</tspan></text></g></svg>'
        )

    def test_un_fotograma_un_color(self):
        assert svg("ab", colores=["#0A0"]) == (
            '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 17 17" width="17" height="17" role="img" '
            'aria-label="glifador">' + ESTILO + '#00aa00}</style><g><text y="13.3"><tspan x="0.0">ab</tspan>'
            "</text></g></svg>"
        )

    def test_fondo_y_margen(self):
        assert svg(["abc\nd"], fondo="#123", colores=["#fff"]) == (
            '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 68 76" width="68" height="76" role="img" '
            'aria-label="glifador">' + ESTILO + '#ffffff}</style><rect width="100%" height="100%" rx="12" '
            'fill="#112233"/><g><text y="34.3"><tspan x="21.0">abc</tspan></text><text y="51.1">'
            '<tspan x="21.0">d</tspan></text></g></svg>'
        )

    @pytest.mark.parametrize(
        "fotograma, esperado",
        [
            ("  hola mundo", [("13.3", "16.8", None, "hola"), ("13.3", "58.8", None, "mundo")]),
            ("a<b & c>d", [("13.3", "0.0", None, "a<b"), ("13.3", "33.6", None, "&"), ("13.3", "50.4", None, "c>d")]),
            ("ab\n   \n\ncd", [("13.3", "0.0", None, "ab"), ("63.7", "0.0", None, "cd")]),
            (ROJO + "ab\x1b[38;2;0;0;255mc\x1b[0m d", [
                ("13.3", "0.0", "#ff0000", "ab"), ("13.3", "16.8", "#0000ff", "c"), ("13.3", "33.6", None, "d")]),
            ("e\u0301x\ty", [("13.3", "0.0", None, "e\u0301x"), ("13.3", "25.2", None, "y")]),
        ],
        ids=["espacios", "escapes", "lineas_vacias", "color_por_letra", "grafemas"],
    )
    def test_tramos(self, fotograma, esperado):
        assert tramos(svg(fotograma)) == esperado

    def test_entidades(self):
        assert '>a&lt;b</tspan><tspan x="33.6">&amp;</tspan><tspan x="50.4">c&gt;d<' in svg("a<b & c>d")

    def test_tres_paradas(self):
        doc = svg("x", colores=["#f00", "#0f0", "#00f"])
        assert '<stop offset="0.000" stop-color="#ff0000"/><stop offset="0.500" stop-color="#00ff00"/>' in doc
        assert '<stop offset="1.000" stop-color="#0000ff"/>' in doc


class TestMedidas:
    @pytest.mark.parametrize(
        "fotogramas, ancho, alto",
        [(["ab"], "17", "17"), (["ab\n"], "17", "34"), (["a", "b\nc\nd", ""], "9", "51"), ([""], "0", "17")],
    )
    def test_filas_y_columnas(self, fotogramas, ancho, alto):
        raiz = ET.fromstring(svg(fotogramas))
        assert (raiz.get("width"), raiz.get("height"), raiz.get("viewBox")) == (ancho, alto, f"0 0 {ancho} {alto}")

    @pytest.mark.parametrize(
        "tamano, texto",
        [(14, "14"), (12.5, "12.5"), (0.1, "0.1"), (16777217, "16777216"), (1e30, "1000000015047466219876688855040")],
    )
    def test_tamano_decimal_mas_corto(self, tamano, texto):
        assert f"font-size:{texto}px;" in svg("a", tamano=tamano)

    @pytest.mark.parametrize(
        "n, intervalo, trozos",
        [
            (128, 0.0625, ["0.7812%", "animation:v 8.000s", "delay:0.062s", "delay:0.188s", "delay:0.125s"]),
            (3, 0.08, ["33.3333%", "animation:v 0.240s", "delay:0.160s"]),
            (7, 1.0, ["14.2857%", "animation:v 7.000s", "delay:6.000s"]),
        ],
    )
    def test_decimales_fijos_con_empate_al_par(self, n, intervalo, trozos):
        doc = svg(["x"] * n, intervalo=intervalo)
        for trozo in trozos:
            assert trozo in doc
        raiz = ET.fromstring(doc)
        grupos = list(raiz.iter(NS + "g"))
        assert len(grupos) == n and grupos[0].get("opacity") is None
        assert all(g.get("opacity") == "0" for g in grupos[1:])


class TestErrores:
    @pytest.mark.parametrize("valor", [0, -1, math.nan, math.inf, -math.inf, 1e-50])
    @pytest.mark.parametrize("nombre", ["intervalo", "tamano", "aspecto"])
    def test_medidas_no_positivas_o_no_finitas(self, nombre, valor):
        assert error(["a", "b"], **{nombre: valor}) == (ERROR_MEDIDAS,)

    @pytest.mark.parametrize(
        "fotogramas, opciones",
        [
            (["ab"], {"tamano": 3e38}),  # W
            (["a"], {"tamano": 1e38, "fondo": "#000"}),  # margen
            (["a"], {"aspecto": 1e38}),  # H
            (["a\nb"], {"tamano": 3.4e38, "aspecto": 0.8}),  # solo y de la segunda línea
            (["a", "b"], {"intervalo": 3e38}),  # duración del bucle
            (["a"] * 3, {"intervalo": 2e38}),
        ],
    )
    def test_geometria_que_desborda(self, fotogramas, opciones):
        assert error(fotogramas, **opciones) == (ERROR_MEDIDAS,)

    def test_lo_enorme_pero_finito_se_escribe_sin_exponente(self):
        doc = svg(["a\nb", "c"], tamano=1e37, intervalo=1e30)
        assert not re.search(r"\d[eE][+-]?\d|\binf\b|\bnan\b", doc)

    @pytest.mark.parametrize(
        "fotogramas, opciones, mensaje",
        [
            ([], {"colores": []}, "opción inválida: no hay fotogramas"),
            (["a"], {"colores": []}, "opción inválida: hace falta al menos un color"),
            (["a"], {"colores": [], "tamano": 0}, "opción inválida: hace falta al menos un color"),
            (["a"], {"colores": ["#ggg"], "tamano": 0}, ERROR_COLOR),  # el color se lee antes
            (["a"], {"fondo": "rojo", "intervalo": -1}, ERROR_COLOR),
        ],
    )
    def test_orden(self, fotogramas, opciones, mensaje):
        assert error(fotogramas, **opciones) == (mensaje,)

    @pytest.mark.parametrize(
        "fotogramas, opciones",
        [(3, {}), (["a", 3], {}), (None, {}), ("a", {"colores": "#fff"}), ("a", {"colores": None}),
         ("a", {"fondo": 3}), ("a", {"intervalo": "1"}), ("a", {"tamano": None})],
    )
    def test_tipos(self, fotogramas, opciones):
        with pytest.raises(TypeError):
            glifador.a_svg(fotogramas, **opciones)


class TestColores:
    @pytest.mark.parametrize(
        "texto, hex_",
        [("  #FFF  ", "#ffffff"), ("#Ff8000", "#ff8000"), ("#f80", "#ff8800"), ("\u3000#0a0\u2003\n", "#00aa00"),
         ("#000", "#000000")],
    )
    def test_validos(self, texto, hex_):
        assert f"fill:{hex_}}}" in svg("a", colores=[texto])
        assert f'rx="12" fill="{hex_}"' in svg("a", fondo=texto)

    @pytest.mark.parametrize(
        "texto", ["fff", "#ffff", "#12345", "#ggg", "", "#", "# ff", "#ｆｆｆ", "#fff#", "#ff 000"]
    )
    def test_invalidos(self, texto):
        assert error("a", colores=[texto]) == (ERROR_COLOR,)
        assert error("a", fondo=texto) == (ERROR_COLOR,)
        assert error("a", colores=["#fff", texto]) == (ERROR_COLOR,)


class TestLineasAnsi:
    @pytest.mark.parametrize(
        "linea, esperado",
        [
            (ROJO + "ab \x1b[0mc", [("0.0", "#ff0000", "ab"), ("25.2", None, "c")]),
            ("\x1b[38;2;300;0;0mx", [("0.0", None, "x")]),
            (ROJO + "a\x1b[1mb", [("0.0", "#ff0000", "ab")]),
            (ROJO + "a\x1b[mb", [("0.0", "#ff0000", "a"), ("8.4", None, "b")]),
            ("\x1b[38;2;007;0;00255mx", [("0.0", "#0700ff", "x")]),
            ("\x1b[38;2;1;2;3;4mx", [("0.0", None, "x")]),
            (ROJO + "a\x1b[38;2;255;0;0mb", [("0.0", "#ff0000", "ab")]),
            ("a\x1bb\x1b", [("0.0", None, "ab")]),
            ("a\x1b[38;2;1;2;3", [("0.0", None, "a")]),
            ("a\x1b[2Kb", [("0.0", None, "ab")]),
            ("\x1b[38;2;1;2;3Hy\x1b[38;2;1;2m", [("0.0", "#010203", "y")]),
        ],
        ids=["reinicio", "fuera_de_rango", "otra_secuencia", "esc_m", "ceros", "seis_partes", "mismo_color",
             "esc_suelto", "sin_letra_final", "borrar_linea", "cualquier_letra_cierra"],
    )
    def test_colores_de_la_linea(self, linea, esperado):
        assert [t[1:] for t in tramos(svg(linea))] == esperado


class TestXmlBienFormado:
    @pytest.mark.parametrize("c", ["\x00", "\x01", "\x08", "\x0e", "\x1f", "\ufffe", "\uffff"])
    def test_caracteres_prohibidos(self, c):
        assert [t[3] for t in tramos(svg([f"a{c}b", "x"]))] == ["a\ufffdb", "x"]

    @pytest.mark.parametrize("c", ["\x7f", "\u0080", "\ud7ff", "\ue000", "\ufffd", "\U0010ffff", "'", '"'])
    def test_caracteres_admitidos_se_conservan(self, c):
        assert [t[3] for t in tramos(svg(f"a{c}b"))] == [f"a{c}b"]


def test_firma_y_documentacion():
    import inspect

    firma = inspect.signature(glifador.a_svg)
    assert [(p.name, p.default) for p in firma.parameters.values()] == [
        ("fotogramas", inspect.Parameter.empty), ("intervalo", 0.08), ("colores", Ellipsis), ("fondo", None),
        ("tamano", 14.0), ("aspecto", 2.0),
    ]
    assert glifador.a_svg.__doc__ == "SVG (animado si hay varios fotogramas) listo para un README o una web."
