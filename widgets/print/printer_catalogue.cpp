/*
 * printer_catalogue.cpp --
 *
 *	Printers from CUPS, plus the built-in PDF printer.
 */
#include "widgets/print/printer_catalogue.h"

#include <limits.h>
#include <string.h>
#include <unistd.h>

#include "widgets/print/cups_client.h"

namespace {

std::string currentFolder(void)
{
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != NULL ? buffer : ".";
}

std::string optionOf(const CupsClient *cups, const cups_dest_t *dest, const char *name)
{
    const char *value = cups->getOption(name, dest->num_options, dest->options);
    return value != NULL ? value : "";
}

}  // namespace

std::vector<PrinterEntry> listPrinters(void)
{
    std::vector<PrinterEntry> printers;
    /* Without the CUPS library only the PDF printer is there. */
    const CupsClient *cups = cupsClient();
    cups_dest_t *dests = NULL;
    int count = cups != NULL ? cups->getDests2(CUPS_HTTP_DEFAULT, &dests) : 0;
    bool haveDefault = false;
    for (int i = 0; i < count; i++) {
        const cups_dest_t *dest = &dests[i];
        if (dest->instance != NULL) {
            continue;
        }
        PrinterEntry entry;
        entry.name = dest->name;
        entry.driver = optionOf(cups, dest, "printer-make-and-model");
        entry.port = optionOf(cups, dest, "device-uri");
        entry.isDefault = dest->is_default != 0 && !haveDefault;
        std::string media = optionOf(cups, dest, "media");
        entry.letter = strncasecmp(media.c_str(), "letter", 6) == 0
                       || media.find("na_letter") != std::string::npos;
        haveDefault = haveDefault || entry.isDefault;
        printers.push_back(entry);
    }
    if (cups != NULL) {
        cups->freeDests(count, dests);
    }

    PrinterEntry pdf;
    pdf.name = PDF_PRINTER_NAME;
    pdf.driver = PDF_PRINTER_DRIVER;
    pdf.port = currentFolder();
    pdf.isPdf = true;
    pdf.isDefault = !haveDefault;
    printers.push_back(pdf);
    return printers;
}

bool findPrinter(const std::string &name, PrinterEntry *entry)
{
    for (const PrinterEntry &p : listPrinters()) {
        if (p.name == name) {
            *entry = p;
            return true;
        }
    }
    return false;
}

PrinterEntry defaultPrinter(void)
{
    std::vector<PrinterEntry> printers = listPrinters();
    for (const PrinterEntry &p : printers) {
        if (p.isDefault) {
            return p;
        }
    }
    return printers.back();
}

PrinterCaps printerCaps(const PrinterEntry &printer)
{
    PrinterCaps caps;
    caps.logPixels = PRINTER_DPI;
    if (printer.letter) {
        caps.horzSize = 216;        /* 8.5 x 11 inches */
        caps.vertSize = 279;
        caps.horzRes = 2550;
        caps.vertRes = 3300;
    } else {
        caps.horzSize = 210;        /* A4 */
        caps.vertSize = 297;
        caps.horzRes = 2480;
        caps.vertRes = 3508;
    }
    return caps;
}
