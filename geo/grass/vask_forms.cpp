/*
 * vask_forms.cpp --
 *
 *	vask forms: a module builds a form of text lines, constant fields and
 *	entry fields, and script procedures of the application (_vask.clear,
 *	_vask.line, _vask.const, _vask.ques, _vask.call ...) draw and run it.
 *	Every key release in an entry runs _vask.parseInput, which stores the
 *	entry's text (element id of the global array _vask) into the module's
 *	variable.
 *
 *	Field ids are numbers handed out by V_ques, never addresses: a field
 *	is found in the table of the open form, which the next V_clear and
 *	the end of V_call empty, so a script can reach only the variables of
 *	the form that is running, with the type and length the module gave.
 */
#include "geo/grass/vask_forms.h"

#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>

#include "core/package.h"
#include "geo/grass/grass_driver.h"
#include "ovex/grass.h"
#include "ovex/ovexstdio.h"
#include "ramimage/kit/number_text.h"

namespace {

struct VaskField {
    void *variable;
    char type;
    int len;
};

std::map<int, VaskField> &openFields()
{
    static std::map<int, VaskField> fields;
    return fields;
}

int nextFieldId = 1;
int floatAccuracy = 0;

int evalScript(const std::string &script)
{
    Tcl_Interp *interp = grassInterp();
    if (interp == NULL) {
        return TCL_ERROR;
    }
    return Tcl_EvalEx(interp, script.c_str(), -1, TCL_EVAL_GLOBAL);
}

std::string formatted(const char *format, ...) OVEX_PRINTF(1, 2);

std::string formatted(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    char small[512];
    va_list copy;
    va_copy(copy, ap);
    int n = vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    std::string text;
    if (n < 0) {
        text.clear();
    } else if (n < (int)sizeof small) {
        text.assign(small, (size_t)n);
    } else {
        text.resize((size_t)n + 1);
        vsnprintf(&text[0], text.size(), format, ap);
        text.resize((size_t)n);
    }
    va_end(ap);
    return text;
}

/* The shown text of a field's value. */
std::string vaskFormatValue(const void *variable, char type, int len)
{
    switch (type) {
    case 'd':
    case 'f': {
        double value = type == 'd' ? *(const double *)variable : *(const float *)variable;
        if (floatAccuracy >= 1) {
            std::string format = formatted("%s%d%s", "%.", floatAccuracy, "f");
            return formatted(format.c_str(), value);
        }
        return formatted("%f", value);
    }
    case 'i':
    case 'l':
        return formatted("%d", *(const int32_t *)variable);
    case 's':
        /* The buffer is not terminated when its text fills it. */
        return std::string((const char *)variable, strnlen((const char *)variable,
                                                           len > 0 ? (size_t)len : 0));
    default:
        return std::string();
    }
}

/* An integer text of an i or l field: digits, a sign or blank before
 * them, blanks after them; the value must fit 32 bits. */
int readInteger(const char *text, int32_t *value)
{
    std::string trimmed(text);
    while (!trimmed.empty() && trimmed.back() == ' ') {
        trimmed.pop_back();
    }
    if (!isIntegerText(trimmed.c_str())) {
        return 0;
    }
    char *end;
    errno = 0;
    long number = strtol(trimmed.c_str(), &end, 10);
    if (end == trimmed.c_str() || *end != '\0' || errno != 0 || number < INT32_MIN
        || number > INT32_MAX) {
        return 0;
    }
    *value = (int32_t)number;
    return 1;
}

}  // namespace

int vaskParseInput(Tcl_Interp *interp, const char *idText, const char *typeText,
                   const char *lenText)
{
    int id = ovexLenientInt(idText);
    auto found = openFields().find(id);
    char element[32];
    snprintf(element, sizeof element, "%d", id);
    const char *text = found != openFields().end()
        ? Tcl_GetVar2(interp, "_vask", element, TCL_GLOBAL_ONLY) : NULL;
    if (text == NULL) {
        ovex_fprintf(stderr, "invalid vask id: %d\n", id);
        return 0;
    }
    const VaskField &field = found->second;
    char type = typeText[0];
    bool known = type == 'd' || type == 'f' || type == 'i' || type == 'l' || type == 's';
    /* The words must describe the field as the module gave it. */
    bool ok = known && type == field.type && ovexLenientInt(lenText) == field.len;
    if (ok && text[0] != '\0') {
        switch (type) {
        case 'd':
        case 'f':
            ok = isDoubleText(text);
            if (ok) {
                double value = strtod(text, NULL);
                if (type == 'd') {
                    *(double *)field.variable = value;
                } else {
                    *(float *)field.variable = (float)value;
                }
            }
            break;
        case 'i':
        case 'l': {
            int32_t value;
            ok = readInteger(text, &value);
            if (ok) {
                *(int32_t *)field.variable = value;
            }
            break;
        }
        default:
            if (field.len > 0) {
                strncpy((char *)field.variable, text, (size_t)field.len);
            }
            break;
        }
    }
    if (!ok) {
        ovex_fprintf(stderr, "vask error - id: %d type: %s value: %s\n", id, typeText, text);
        return 0;
    }
    return 1;
}

int vaskParseInputCmd(ClientData, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 4) {
        ovex_printf("Usage %s id type len\n", argv[0]);
        Tcl_ResetResult(interp);
        return TCL_ERROR;
    }
    int stored = vaskParseInput(interp, argv[1], argv[2], argv[3]);
    Tcl_ResetResult(interp);
    return stored ? TCL_OK : TCL_ERROR;
}

/* ---- The exported form functions ----------------------------------------------- */

extern "C" int V_clear(void)
{
    openFields().clear();
    return evalScript("_vask.clear");
}

extern "C" int V_line(int row, const char *text)
{
    return evalScript(formatted("_vask.line %d {%s}", row, text != NULL ? text : ""));
}

extern "C" int V_const(void *variable, char type, int row, int col, int len)
{
    std::string value = variable != NULL ? vaskFormatValue(variable, type, len) : "";
    return evalScript("_vask.const " + value + formatted(" %c %d %d %d", type, row, col, len));
}

extern "C" int V_ques(void *variable, char type, int row, int col, int len)
{
    if (variable == NULL) {
        return 0;
    }
    int id = nextFieldId;
    nextFieldId = nextFieldId == INT32_MAX ? 1 : nextFieldId + 1;
    openFields()[id] = VaskField{variable, type, len};
    std::string value = vaskFormatValue(variable, type, len);
    if (evalScript(formatted("_vask.ques %d {%s} %c %d %d %d", id, value.c_str(), type, row,
                             col, len)) != TCL_OK) {
        return 0;
    }
    std::string entry = Tcl_GetStringResult(grassInterp());
    evalScript(formatted("bind %s <KeyRelease> {+_vask.parseInput %d %c %d}", entry.c_str(), id,
                         type, len));
    return 0;
}

extern "C" int V_float_accuracy(int n)
{
    int previous = floatAccuracy;
    floatAccuracy = n;
    return previous;
}

extern "C" int V_call(void)
{
    evalScript("_vask.call");
    /* The form is over: its variables may go out of scope now. */
    openFields().clear();
    Tcl_Interp *interp = grassInterp();
    int outcome = 0;
    const char *value = interp != NULL ? Tcl_GetVar2(interp, "_vask", "return", TCL_GLOBAL_ONLY)
                                       : NULL;
    if (value != NULL && Tcl_GetInt(NULL, value, &outcome) != TCL_OK) {
        outcome = ovexLenientInt(value);
    }
    return outcome;
}

extern "C" int V_intrpt_GD_OK(void)
{
    return evalScript("_vask.intrpt_GD_OK");
}

extern "C" int V_intrpt_msg(const char *message)
{
    if (message == NULL) {
        return evalScript("_vask.intrp_msg");
    }
    return evalScript(formatted("_vask.intrp_msg {%s}", message));
}

int vaskTest(void)
{
    int32_t number = 0;
    float decimal = 2.1f;
    char text[12] = "";
    V_clear();
    V_line(5, "Enter an Integer");
    V_line(7, "Enter a Decimal");
    V_line(9, "Enter a character string");
    V_ques(&number, 'i', 5, 30, 5);
    V_ques(&decimal, 'f', 7, 30, 5);
    V_ques(text, 's', 9, 30, 11);
    V_intrpt_GD_OK();
    if (V_call() == 0) {
        return 0;
    }
    ovex_printf("%d %f %s\n", number, decimal, text);
    return 1;
}
