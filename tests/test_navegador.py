"""El SVG en su cliente real: Chromium sin ventana pinta cada letra donde el documento dice."""

import os
import shutil
import subprocess
import xml.etree.ElementTree as ET

import numpy as np
import pytest
from PIL import Image

import glifador

CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
pytestmark = pytest.mark.skipif(CHROMIUM is None, reason="falta chromium (./hacer.sh pruebas lo instala)")

NS = "{http://www.w3.org/2000/svg}"
TAMANO = 40
CELDA = TAMANO * 0.6
INTERVALO = 0.5
# Pausa todas las animaciones en el instante t (ms) antes de la captura; sin esto el
# compositor puede mostrar dos fotogramas a la vez con el tiempo virtual.
PAGINA = (
    "<!DOCTYPE html><html><head><meta charset='utf-8'><style>body{{margin:0;background:#fff}}"
    "svg{{display:block}}</style></head><body>{svg}<script>"
    "document.getAnimations().forEach(a => {{ a.pause(); a.currentTime = {t}; }});</script></body></html>"
)


def lanzar(carpeta, nombre, contenido, ancho, alto):
    """Arranca Chromium sobre el documento y devuelve el proceso y la ruta de la captura."""
    doc = carpeta / nombre
    doc.write_text(contenido, encoding="utf-8")
    png = carpeta / (nombre + ".png")
    orden = [
        CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
        "--force-device-scale-factor=1", f"--user-data-dir={carpeta / ('perfil-' + nombre)}",
        f"--window-size={ancho},{alto}", "--virtual-time-budget=200", f"--screenshot={png}", doc.as_uri(),
    ]
    # Sin el preload de los sanitizadores de una ejecución instrumentada: Chromium se colgaría.
    entorno = {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "ASAN_OPTIONS", "PYTHONMALLOC")}
    return subprocess.Popen(orden, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=entorno), png


def capturas(carpeta, documentos):
    """Las capturas de varios documentos, hechas a la vez: cada arranque de Chromium cuesta un segundo."""
    procesos = [lanzar(carpeta, *d) for d in documentos]
    try:
        for proceso, _ in procesos:
            assert proceso.wait(timeout=90) == 0
    finally:
        for proceso, _ in procesos:
            if proceso.poll() is None:
                proceso.kill()
                proceso.wait()
    return [np.asarray(Image.open(png).convert("RGB")).astype(int) for _, png in procesos]


def cajas(doc):
    """Por fotograma, la caja en píxeles de cada letra no blanca con su color: (x0, x1, y0, y1, fill)."""
    raiz = ET.fromstring(doc)
    fotos = []
    for g in raiz.iter(NS + "g"):
        letras = []
        for texto in g.iter(NS + "text"):
            y = float(texto.get("y"))
            for t in texto.iter(NS + "tspan"):
                x = float(t.get("x"))
                for i, _ in enumerate(t.text):
                    letras.append((x + i * CELDA, x + (i + 1) * CELDA, y - TAMANO, y + 0.3 * TAMANO, t.get("fill")))
        fotos.append(letras)
    return fotos, int(raiz.get("width")), int(raiz.get("height"))


def dentro(mascara, caja, holgura=2):
    x0, x1, y0, y1 = (int(v) for v in caja[:4])
    return mascara[max(0, y0 - holgura): y1 + holgura, max(0, x0 - holgura): x1 + holgura]


def fuera_de(mascara, lista, holgura=2):
    resto = mascara.copy()
    for caja in lista:
        dentro(resto, caja, holgura)[:] = False
    return int(resto.sum())


def test_imagen_fija_con_fondo_y_colores_propios(tmp_path):
    verde = "\x1b[38;2;0;255;0m"
    doc = glifador.a_svg(f"HI  W\n  M{verde}M", colores=["#ff0000"], fondo="#2040a0", tamano=TAMANO)
    (letras,), ancho, alto = cajas(doc)
    (img,) = capturas(tmp_path, [("fija.svg", doc, ancho, alto)])
    assert img.shape[:2] == (alto, ancho)

    r, g, b = img[..., 0], img[..., 1], img[..., 2]
    rojo = (r > b + 60) & (r > g + 60)
    verde_px = (g > r + 60) & (g > b + 60)
    rojas = [c for c in letras if c[4] is None]
    verdes = [c for c in letras if c[4] == "#00ff00"]
    assert len(rojas) == 4 and len(verdes) == 1
    for caja in rojas:
        assert dentro(rojo, caja, 0).sum() > 30, caja
    assert dentro(verde_px, verdes[0], 0).sum() > 30
    assert fuera_de(rojo, rojas) == 0 and fuera_de(verde_px, verdes) == 0

    # El rectángulo de fondo cubre el margen y tiene las esquinas redondeadas.
    assert np.abs(img[4, ancho // 2] - (0x20, 0x40, 0xA0)).max() <= 3
    assert np.abs(img[alto // 2, 4] - (0x20, 0x40, 0xA0)).max() <= 3
    assert np.abs(img[0, 0] - (0x20, 0x40, 0xA0)).max() > 40


def test_animacion_un_fotograma_cada_vez(tmp_path):
    doc = glifador.a_svg(["H", " H", "  H"], intervalo=INTERVALO, colores=["#ff0000"], tamano=TAMANO)
    fotos, ancho, alto = cajas(doc)
    momentos = [0, 1.5 * INTERVALO * 1000]  # ms: el primer fotograma, y dentro del segundo
    documentos = [(f"t{i}.html", PAGINA.format(svg=doc, t=t), ancho, alto) for i, t in enumerate(momentos)]
    for visible, img in enumerate(capturas(tmp_path, documentos)):
        rojo = (img[..., 0] > 150) & (img[..., 1] < 150) & (img[..., 2] < 150)
        for k, letras in enumerate(fotos):
            pintado = sum(int(dentro(rojo, c, 0).sum()) for c in letras)
            assert (pintado > 30) == (k == visible), (visible, k, pintado)
        assert fuera_de(rojo, fotos[visible]) == 0
