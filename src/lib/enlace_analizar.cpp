// analizar(): argumentos, carga de la imagen y el informe como diccionario.
#include "conversiones.h"
#include "errores.h"
#include "funciones.h"

#include "core/analisis.h"

namespace glifador::py {
namespace {

/// Los nueve argumentos de analizar ya convertidos.
struct ArgsAnalizar {
    Imagen imagen;
    std::optional<std::string> texto;
    AnchoPy ancho;
    std::string espacios = "normal";
    Opciones op;
};

bool convertir_texto_opcional(PyObject* o, std::optional<std::string>& salida) {
    if (!o || o == Py_None) return true;
    salida.emplace();
    return convertir_str(o, "texto", *salida);
}

bool convertir(PyObject* const o[9], ArgsAnalizar& a) {
    enum { IMAGEN, TEXTO, ANCHO, ASPECTO, ESPACIOS, UMBRAL, INVERTIR, HUECOS, SUAVIZAR };
    return convertir_imagen(o[IMAGEN], a.imagen) && convertir_texto_opcional(o[TEXTO], a.texto) &&
           (!o[ANCHO] || convertir_ancho(o[ANCHO], a.ancho)) &&
           (!o[ASPECTO] || convertir_float32(o[ASPECTO], "aspecto", a.op.aspecto)) &&
           (!o[ESPACIOS] || convertir_str(o[ESPACIOS], "espacios", a.espacios)) &&
           (!o[UMBRAL] || convertir_umbral(o[UMBRAL], a.op.umbral)) &&
           (!o[INVERTIR] || convertir_bool(o[INVERTIR], "invertir", a.op.invertir)) &&
           (!o[HUECOS] || convertir_bool(o[HUECOS], "huecos", a.op.huecos)) &&
           (!o[SUAVIZAR] || convertir_u64(o[SUAVIZAR], "suavizar", a.op.suavizar));
}

/// Inserta `valor` (una referencia nueva, quizá nula por un fallo al crearla) bajo `clave`.
bool poner(PyObject* dict, const char* clave, Ref valor) {
    return valor && PyDict_SetItemString(dict, clave, valor.get()) == 0;
}

Ref entero(std::uint64_t v) { return Ref::robar(PyLong_FromUnsignedLongLong(v)); }

/// letras − texto_letras con signo y sin desbordar, sean cuales sean los dos tamaños.
Ref diferencia(std::uint64_t a, std::uint64_t b) {
    if (a >= b) return entero(a - b);
    Ref positiva = entero(b - a);
    if (!positiva) return positiva;
    return Ref::robar(PyNumber_Negative(positiva.get()));
}

Ref lista_de_enteros(const std::vector<std::uint64_t>& v) {
    Ref lista = Ref::robar(PyList_New(static_cast<Py_ssize_t>(v.size())));
    if (!lista) return lista;
    for (std::size_t i = 0; i < v.size(); ++i) {
        Ref e = entero(v[i]);
        if (!e) return Ref();
        // PyList_SetItem se queda con la referencia, también si falla.
        if (PyList_SetItem(lista.get(), static_cast<Py_ssize_t>(i), e.soltar()) < 0) return Ref();
    }
    return lista;
}

Ref tabla_de_anchos(const std::vector<AnchoLetras>& filas) {
    Ref d = Ref::robar(PyDict_New());
    if (!d) return d;
    for (const AnchoLetras& f : filas) {
        Ref clave = entero(f.ancho), valor = entero(f.letras);
        if (!clave || !valor || PyDict_SetItem(d.get(), clave.get(), valor.get()) < 0) return Ref();
    }
    return d;
}

Ref diccionario(Informe& inf) {
    const Analisis& a = inf.analisis;
    Ref d = Ref::robar(PyDict_New());
    if (!d) return d;
    PyObject* o = d.get();
    bool ok = poner(o, "ancho", entero(a.ancho)) && poner(o, "filas", entero(a.filas)) &&
              poner(o, "letras", entero(a.letras)) && poner(o, "palabras_aprox", entero(a.letras / 6)) &&
              poner(o, "letras_por_fila", lista_de_enteros(a.letras_por_fila)) &&
              poner(o, "tramos", entero(a.tramos)) && poner(o, "tramo_min", entero(a.tramo_min)) &&
              poner(o, "tramo_max", entero(a.tramo_max)) && poner(o, "plantilla", nuevo_str(a.plantilla)) &&
              poner(o, "letras_por_ancho", tabla_de_anchos(inf.letras_por_ancho));
    if (ok && inf.texto_letras) {
        const std::uint64_t tl = *inf.texto_letras;
        Resultado<std::uint64_t>& rec = *inf.ancho_recomendado;
        ok = poner(o, "texto_letras", entero(tl)) &&
             poner(o, "ancho_recomendado", rec ? entero(*rec) : Ref::prestar(Py_None)) &&
             poner(o, "sobran", diferencia(a.letras, tl));
    }
    return ok ? std::move(d) : Ref();
}

PyObject* cuerpo(PyObject* args, PyObject* kwargs) {
    static const char* nombres[] = {"imagen", "texto",    "ancho",  "aspecto",  "espacios",
                                    "umbral", "invertir", "huecos", "suavizar", nullptr};
    PyObject* o[9] = {};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|OOOOOOOO:analizar", const_cast<char**>(nombres), &o[0], &o[1],
                                     &o[2], &o[3], &o[4], &o[5], &o[6], &o[7], &o[8]))
        return nullptr;
    ArgsAnalizar a;
    if (!convertir(o, a)) return nullptr;
    if (!leer_ancho_y_espacios(a.ancho, a.espacios, a.op)) return nullptr;
    a.op.desfase = 0;
    a.op.repetir = true;
    a.op.color = false;
    ImagenRgba imagen;
    if (!cargar(a.imagen, imagen)) return nullptr;
    std::optional<std::string_view> texto;
    if (a.texto) texto = *a.texto;
    auto inf = analizar_silueta(std::move(imagen), texto, a.op);
    if (!inf) return lanzar(inf.fallo());
    return diccionario(*inf).soltar();
}

}  // namespace

const PyMethodDef DEF_ANALIZAR = definir<cuerpo>(
    "analizar",
    "analizar(imagen, texto=None, ancho=..., aspecto=2.0, espacios=\"normal\", umbral=None, "
    "invertir=False, huecos=False, suavizar=0)\n--\n\n"
    "Examina la silueta sin escribir nada: cuántas letras/palabras caben, cómo\n"
    "se reparten por fila y, si se pasa `texto`, en qué ancho cabe completo.");

}  // namespace glifador::py
