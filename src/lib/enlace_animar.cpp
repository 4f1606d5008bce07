// animar(): argumentos, carga de la imagen y la lista de fotogramas.
#include "conversiones.h"
#include "errores.h"
#include "funciones.h"

#include "animacion/animacion.h"

namespace glifador::py {
namespace {

/// Los quince argumentos de animar ya convertidos.
struct ArgsAnimar {
    Imagen imagen;
    std::string texto;
    OpcionesAnimacion an;
    ArgsDibujo dibujo;
};

bool convertir(PyObject* const o[15], ArgsAnimar& a) {
    enum { IMAGEN, TEXTO, FOTOGRAMAS, PASO, LATIDO, DIBUJO };
    return convertir_imagen(o[IMAGEN], a.imagen) && convertir_str(o[TEXTO], "texto", a.texto) &&
           (!o[FOTOGRAMAS] || convertir_u64_opcional(o[FOTOGRAMAS], "fotogramas", a.an.fotogramas)) &&
           (!o[PASO] || convertir_u64(o[PASO], "paso", a.an.paso)) &&
           (!o[LATIDO] || convertir_float32(o[LATIDO], "latido", a.an.latido)) &&
           convertir_opciones_dibujo(o + DIBUJO, a.dibujo);
}

/// Una lista de str; cada fotograma se suelta en cuanto pasa a Python.
PyObject* lista(std::vector<std::string>& fotogramas) {
    Ref l = Ref::robar(PyList_New(static_cast<Py_ssize_t>(fotogramas.size())));
    if (!l) return nullptr;
    for (std::size_t i = 0; i < fotogramas.size(); ++i) {
        Ref s = nuevo_str(fotogramas[i]);
        if (!s) return nullptr;
        std::string().swap(fotogramas[i]);
        if (PyList_SetItem(l.get(), static_cast<Py_ssize_t>(i), s.soltar()) < 0) return nullptr;
    }
    return l.soltar();
}

PyObject* cuerpo(PyObject* args, PyObject* kwargs) {
    static const char* nombres[] = {"imagen",   "texto",    "fotogramas", "paso",   "latido",
                                    "ancho",    "aspecto",  "repetir",    "espacios", "umbral",
                                    "invertir", "huecos",   "suavizar",   "desfase",  "color",
                                    nullptr};
    PyObject* o[15] = {};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO|OOOOOOOOOOOOO:animar", const_cast<char**>(nombres), &o[0],
                                     &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7], &o[8], &o[9], &o[10], &o[11],
                                     &o[12], &o[13], &o[14]))
        return nullptr;
    ArgsAnimar a;
    if (!convertir(o, a)) return nullptr;
    Opciones& op = a.dibujo.op;
    ImagenRgba imagen;
    if (!leer_ancho_y_espacios(a.dibujo.ancho, a.dibujo.espacios, op) || !cargar(a.imagen, imagen)) return nullptr;
    auto r = animar(std::move(imagen), a.texto, op, a.an);
    if (!r) return lanzar(r.fallo());
    return lista(*r);
}

}  // namespace

const PyMethodDef DEF_ANIMAR = definir<cuerpo>(
    "animar",
    "animar(imagen, texto, fotogramas=None, paso=1, latido=0.0, ancho=..., aspecto=2.0, repetir=True, "
    "espacios=\"normal\", umbral=None, invertir=False, huecos=False, suavizar=0, desfase=0, color=False)\n--\n\n"
    "Fotogramas de un glifador animado: el texto avanza `paso` letras por\n"
    "fotograma y, con `latido` > 0, la figura late una vez por vuelta. Con\n"
    "`fotogramas=None` se calculan los justos para un bucle sin costura.");

}  // namespace glifador::py
