// dibujar(): argumentos, carga de la imagen y figura de texto.
#include "conversiones.h"
#include "errores.h"
#include "funciones.h"

#include "core/dibujo.h"

namespace glifador::py {
namespace {

/// Los doce argumentos de dibujar ya convertidos.
struct ArgsDibujar {
    Imagen imagen;
    std::string texto;
    ArgsDibujo dibujo;
};

bool convertir(PyObject* const o[12], ArgsDibujar& a) {
    return convertir_imagen(o[0], a.imagen) && convertir_str(o[1], "texto", a.texto) &&
           convertir_opciones_dibujo(o + 2, a.dibujo);
}

PyObject* cuerpo(PyObject* args, PyObject* kwargs) {
    static const char* nombres[] = {"imagen", "texto",  "ancho",    "aspecto", "repetir", "espacios", "umbral",
                                    "invertir", "huecos", "suavizar", "desfase", "color",   nullptr};
    PyObject* o[12] = {};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO|OOOOOOOOOO:dibujar", const_cast<char**>(nombres), &o[0],
                                     &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7], &o[8], &o[9], &o[10], &o[11]))
        return nullptr;
    ArgsDibujar a;
    if (!convertir(o, a)) return nullptr;
    Opciones& op = a.dibujo.op;
    ImagenRgba imagen;
    if (!leer_ancho_y_espacios(a.dibujo.ancho, a.dibujo.espacios, op) || !cargar(a.imagen, imagen)) return nullptr;
    auto r = dibujar(std::move(imagen), a.texto, op);
    if (!r) return lanzar(r.fallo());
    return nuevo_str(*r).soltar();
}

}  // namespace

const PyMethodDef DEF_DIBUJAR = definir<cuerpo>(
    "dibujar",
    "dibujar(imagen, texto, ancho=..., aspecto=2.0, repetir=True, espacios=\"normal\", umbral=None, "
    "invertir=False, huecos=False, suavizar=0, desfase=0, color=False)\n--\n\n"
    "Escribe `texto` dentro de la silueta de `imagen` (ruta o bytes) y devuelve\n"
    "el resultado como texto multilínea. `ancho=\"auto\"` elige el menor ancho en\n"
    "el que cabe todo el texto. `color=True` pinta cada letra (ANSI truecolor)\n"
    "con el color de la imagen en su posición.");

}  // namespace glifador::py
