/*
 * print_device.cpp --
 *
 *	Print jobs as PDF documents through cairo.
 */
#include "widgets/print/print_device.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cairo-pdf.h>
#include <cairo.h>

#include "widgets/print/cups_client.h"

namespace {

/* Points per device pixel. */
const double POINTS_PER_PIXEL = 72.0 / PRINTER_DPI;

cairo_status_t writeToFd(void *closure, const unsigned char *data, unsigned int length)
{
    int fd = *(int *)closure;
    while (length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return CAIRO_STATUS_WRITE_ERROR;
        }
        data += n;
        length -= (unsigned int)n;
    }
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

PrintDevice::PrintDevice(const PrinterEntry &printer)
    : printer_(printer), caps_(printerCaps(printer))
{
}

PrintDevice::~PrintDevice()
{
    abandon();
}

void PrintDevice::abandon()
{
    if (cr_ != nullptr) {
        cairo_destroy(cr_);
        cr_ = nullptr;
    }
    if (surface_ != nullptr) {
        /* Finishing writes the rest of the document into the temporary
         * file, which goes next. */
        cairo_surface_finish(surface_);
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    }
    releasePageImages();
    if (pendingImage_ != nullptr) {
        cairo_surface_destroy(pendingImage_);
        pendingImage_ = nullptr;
    }
    if (fd_ >= 0 && !printer_.isPdf) {
        close(fd_);
    }
    fd_ = -1;
    pdfFile_.abandon();
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

bool PrintDevice::startDoc(const std::string &documentName, const std::string &outputName)
{
    abandon();
    title_ = documentName;
    if (printer_.isPdf) {
        outputPath_ = printer_.port + "/" + outputName;
        if (!pdfFile_.open(outputPath_.c_str())) {
            error_ = std::string("Error in opening print file: ") + strerror(errno);
            return false;
        }
        fd_ = pdfFile_.fd();
    } else {
        const char *tmp = getenv("TMPDIR");
        std::string name = std::string(tmp != NULL && *tmp ? tmp : "/tmp") + "/ovex-print-XXXXXX";
        fd_ = mkostemp(&name[0], O_CLOEXEC);
        if (fd_ < 0) {
            error_ = std::string("Error in opening print file: ") + strerror(errno);
            return false;
        }
        tempPath_ = name;
    }
    surface_ = cairo_pdf_surface_create_for_stream(writeToFd, &fd_,
                                                  caps_.horzRes * POINTS_PER_PIXEL,
                                                  caps_.vertRes * POINTS_PER_PIXEL);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        error_ = cairo_status_to_string(cairo_surface_status(surface_));
        abandon();
        return false;
    }
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title_.c_str());
    cr_ = cairo_create(surface_);
    return true;
}

void PrintDevice::startPage()
{
    pageOpen_ = true;
}

void PrintDevice::endPage()
{
    if (cr_ != nullptr && pageOpen_) {
        cairo_show_page(cr_);
    }
    releasePageImages();
    pageOpen_ = false;
}

uint32_t *PrintDevice::imageRows(int width, int height, int *stride)
{
    if (pendingImage_ != nullptr) {
        cairo_surface_destroy(pendingImage_);
        pendingImage_ = nullptr;
    }
    if (cr_ == nullptr || width < 1 || height < 1) {
        return nullptr;
    }
    cairo_surface_t *image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return nullptr;
    }
    cairo_surface_flush(image);
    pendingImage_ = image;
    *stride = cairo_image_surface_get_stride(image) / 4;
    return (uint32_t *)cairo_image_surface_get_data(image);
}

void PrintDevice::placeImage(int x, int y, int w, int h)
{
    cairo_surface_t *image = pendingImage_;
    pendingImage_ = nullptr;
    if (image == nullptr) {
        return;
    }
    if (cr_ == nullptr || w < 1 || h < 1) {
        cairo_surface_destroy(image);
        return;
    }
    int width = cairo_image_surface_get_width(image);
    int height = cairo_image_surface_get_height(image);
    cairo_surface_mark_dirty(image);
    cairo_save(cr_);
    cairo_scale(cr_, POINTS_PER_PIXEL, POINTS_PER_PIXEL);
    cairo_rectangle(cr_, x, y, w, h);
    cairo_clip(cr_);
    cairo_translate(cr_, x, y);
    cairo_scale(cr_, (double)w / width, (double)h / height);
    cairo_set_source_surface(cr_, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
    cairo_paint(cr_);
    cairo_restore(cr_);
    /* The document reads the image when the page is written. */
    pageImages_.push_back(image);
}

void PrintDevice::paint(const uint32_t *pixels, int width, int height, int x, int y, int w, int h)
{
    int stride = 0;
    uint32_t *rows = imageRows(width, height, &stride);
    if (rows == nullptr || pixels == nullptr) {
        imageRows(0, 0, &stride);   /* drops it */
        return;
    }
    for (int r = 0; r < height; r++) {
        memcpy(rows + (size_t)r * (size_t)stride, pixels + (size_t)r * (size_t)width,
               (size_t)width * 4);
    }
    placeImage(x, y, w, h);
}

void PrintDevice::releasePageImages()
{
    for (cairo_surface_t *image : pageImages_) {
        cairo_surface_destroy(image);
    }
    pageImages_.clear();
}

bool PrintDevice::endDoc()
{
    if (surface_ == nullptr) {
        error_ = "No document";
        return false;
    }
    if (pageOpen_) {
        endPage();
    }
    cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_surface_finish(surface_);
    cairo_status_t status = cairo_surface_status(surface_);
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
    bool ok = status == CAIRO_STATUS_SUCCESS;
    if (!ok) {
        error_ = cairo_status_to_string(status);
    }
    if (!printer_.isPdf && close(fd_) != 0 && ok) {
        error_ = std::string("Error in writing print file: ") + strerror(errno);
        ok = false;
    }
    fd_ = -1;
    if (ok && printer_.isPdf) {
        if (!pdfFile_.commit()) {
            error_ = std::string("Error in writing print file: ") + strerror(errno);
            ok = false;
        }
    } else if (ok) {
        const CupsClient *cups = cupsClient();
        if (cups == NULL) {
            error_ = cupsUnavailable();
            ok = false;
        } else if (cups->printFile2(CUPS_HTTP_DEFAULT, printer_.name.c_str(), tempPath_.c_str(),
                                    title_.c_str(), 0, NULL) == 0) {
            error_ = cups->lastErrorString();
            ok = false;
        }
    }
    pdfFile_.abandon();
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    return ok;
}
