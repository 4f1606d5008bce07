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
TAMANO, INTERVALO = 40, 0.5
# Pausa las animaciones en el instante t (ms) antes de la captura: con el tiempo virtual el
# compositor podría mostrar dos fotogramas a la vez.
PAGINA = ("<!DOCTYPE html><html><head><meta charset='utf-8'><style>body{{margin:0;background:#fff}}svg{{display:block}}"
          "</style></head><body>{svg}<script>document.getAnimations().forEach(a => {{ a.pause(); a.currentTime = {t}; "
          "}});</script></body></html>")


def capturas(carpeta, documentos):
    """Las capturas de varios documentos (nombre, contenido, ancho, alto), hechas a la vez: cada arranque
    de Chromium cuesta un segundo. Sin el preload de los sanitizadores, con el que se colgaría."""
    entorno = {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "ASAN_OPTIONS", "PYTHONMALLOC")}
    procesos = []
    for nombre, contenido, ancho, alto in documentos:
        (carpeta / nombre).write_text(contenido, encoding="utf-8")
        orden = [CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                 "--force-device-scale-factor=1", f"--user-data-dir={carpeta / ('perfil-' + nombre)}",
                 f"--window-size={ancho},{alto}", "--virtual-time-budget=200", f"--screenshot={carpeta / nombre}.png",
                 (carpeta / nombre).as_uri()]
        procesos.append(subprocess.Popen(orden, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=entorno))
    try:
        assert [p.wait(timeout=90) for p in procesos] == [0] * len(procesos)
    finally:
        for p in procesos:
            if p.poll() is None:
                p.kill()
                p.wait()
    return [np.asarray(Image.open(f"{carpeta / d[0]}.png").convert("RGB")).astype(int) for d in documentos]


def cajas(doc):
    """Por fotograma, la caja en píxeles de cada letra no blanca con su color: (x0, x1, y0, y1, fill)."""
    raiz = ET.fromstring(doc)
    fotos = [[(float(t.get("x")) + i * TAMANO * 0.6, float(t.get("x")) + (i + 1) * TAMANO * 0.6,
               float(texto.get("y")) - TAMANO, float(texto.get("y")) + 0.3 * TAMANO, t.get("fill"))
              for texto in g.iter(NS + "text") for t in texto.iter(NS + "tspan") for i in range(len(t.text))]
             for g in raiz.iter(NS + "g")]
    return fotos, int(raiz.get("width")), int(raiz.get("height"))


def dentro(mascara, caja, holgura=0):
    x0, x1, y0, y1 = (int(v) for v in caja[:4])
    return mascara[max(0, y0 - holgura) : y1 + holgura, max(0, x0 - holgura) : x1 + holgura]


def fuera_de(mascara, lista):
    resto = mascara.copy()
    for caja in lista:
        dentro(resto, caja, 2)[:] = False
    return int(resto.sum())


def test_imagen_fija_y_animacion(tmp_path):
    fija = glifador.a_svg("HI  W\n  M\x1b[38;2;0;255;0mM", colores=["#ff0000"], fondo="#2040a0", tamano=TAMANO)
    (letras,), ancho, alto = cajas(fija)
    animada = glifador.a_svg(["H", " H", "  H"], intervalo=INTERVALO, colores=["#ff0000"], tamano=TAMANO)
    fotos, ancho_a, alto_a = cajas(animada)
    momentos = [0, 1.5 * INTERVALO * 1000]  # ms: el primer fotograma, y dentro del segundo
    img, *instantes = capturas(tmp_path, [("fija.svg", fija, ancho, alto)] + [
        (f"t{i}.html", PAGINA.format(svg=animada, t=t), ancho_a, alto_a) for i, t in enumerate(momentos)])

    assert img.shape[:2] == (alto, ancho)
    r, g, b = img[..., 0], img[..., 1], img[..., 2]
    rojo, verde = (r > b + 60) & (r > g + 60), (g > r + 60) & (g > b + 60)
    rojas, verdes = [c for c in letras if c[4] is None], [c for c in letras if c[4] == "#00ff00"]
    assert len(rojas) == 4 and len(verdes) == 1
    assert all(dentro(rojo, c).sum() > 30 for c in rojas) and dentro(verde, verdes[0]).sum() > 30
    assert fuera_de(rojo, rojas) == 0 and fuera_de(verde, verdes) == 0
    # El rectángulo de fondo cubre el margen y tiene las esquinas redondeadas.
    assert np.abs(img[4, ancho // 2] - (0x20, 0x40, 0xA0)).max() <= 3
    assert np.abs(img[alto // 2, 4] - (0x20, 0x40, 0xA0)).max() <= 3
    assert np.abs(img[0, 0] - (0x20, 0x40, 0xA0)).max() > 40

    for visible, img in enumerate(instantes):  # un fotograma cada vez
        rojo = (img[..., 0] > 150) & (img[..., 1] < 150) & (img[..., 2] < 150)
        for k, letras in enumerate(fotos):
            pintado = sum(int(dentro(rojo, c).sum()) for c in letras)
            assert (pintado > 30) == (k == visible), (visible, k, pintado)
        assert fuera_de(rojo, fotos[visible]) == 0
