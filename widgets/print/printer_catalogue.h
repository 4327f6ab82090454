/*
 * printer_catalogue.h --
 *
 *	The printers of the machine: the CUPS destinations and the built-in
 *	"ovex-pdf" printer, which writes each job as a PDF file in the current
 *	folder. Their device capabilities are those of a 300 dpi raster
 *	printer on the medium of the queue (A4 unless Letter).
 */
#ifndef OVEX_WIDGETS_PRINT_PRINTER_CATALOGUE_H
#define OVEX_WIDGETS_PRINT_PRINTER_CATALOGUE_H

#include <string>
#include <vector>

#define PDF_PRINTER_NAME "ovex-pdf"
#define PDF_PRINTER_DRIVER "cairo-pdf"

struct PrinterEntry {
    std::string name;
    std::string driver;         /* printer-make-and-model, or cairo-pdf */
    std::string port;           /* device-uri, or the output folder */
    bool isDefault = false;
    bool isPdf = false;
    bool letter = false;        /* the medium is Letter, else A4 */
};

/* Device capabilities, in the units of the names they stand for. */
struct PrinterCaps {
    int horzSize, vertSize;     /* millimetres */
    int horzRes, vertRes;       /* device pixels */
    int logPixels;              /* dots per inch */
};

enum { PRINTER_DPI = 300 };

/* Every printer, CUPS destinations first; exactly one is the default
 * (ovex-pdf when CUPS names none). */
std::vector<PrinterEntry> listPrinters(void);

/* The printer named name, or false. */
bool findPrinter(const std::string &name, PrinterEntry *entry);
PrinterEntry defaultPrinter(void);

PrinterCaps printerCaps(const PrinterEntry &printer);

#endif /* OVEX_WIDGETS_PRINT_PRINTER_CATALOGUE_H */
