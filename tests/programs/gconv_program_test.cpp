/*
 * gconv_program_test.cpp --
 *
 *	What rimage gconv tells the clients of its output and what it does to
 *	the output's band statistics, for the window and the separable
 *	kernels alike, that a new output file holds the filtered rows once
 *	the program has let it go, and that every output pixel has the bits
 *	of the plain single-precision sum (window row by row, left to right)
 *	for odd widths, one and three bands, kernels with negative weights,
 *	normalised or fed back, into new DIB and BIP files and float images.
 */
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "../ramimage/registry_fixtures.h"
#include "kit/fixture_kit.h"
#include "core/rounding.h"
#include "programs/gconv_program.h"
#include "ramimage/band_stats.h"
#include "ramimage/pixel_access.h"
#include "ramimage/kit/program_kit.h"

namespace {

class GconvProgram : public registry_fixtures::RegistryTest {
protected:
    /* An IMAGEDEF BSQ byte file of 2 rows, 3 columns and 2 bands. */
    RAMIMG *openFile(const char *name)
    {
        imagedefFile(name, IMGID_BSQ, PIXEL_BYTE, 2, 3, 2);
        int err = -1;
        RAMIMG *image = progOpenImage(path(name).c_str(), &err);
        EXPECT_NE(image, nullptr) << err;
        return image;
    }

    int run(const std::vector<std::string> &words)
    {
        std::vector<const char *> argv;
        for (const std::string &word : words) {
            argv.push_back(word.c_str());
        }
        return rimageGconv("rimage gconv", (int)argv.size(), argv.data());
    }

    void TearDown() override
    {
        notes.stop();
        RegistryTest::TearDown();
    }

    fixture::NoticeCounter notes;
};

TEST_F(GconvProgram, OutputClientsHearOfDataAndWrittenBandsLoseTheirStatistics)
{
    RAMIMG *in = openFile("in.img");
    RAMIMG *out = openFile("out.img");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    const unsigned char rows[2][3] = {{1, 2, 3}, {4, 5, 6}};
    putRowByte(in, 0, 0, 3, 0, rows[0]);
    putRowByte(in, 1, 0, 3, 0, rows[1]);
    notes.watch(out, 9);

    for (const char *kernel : {"@2D 1 1 2", "@1Ds 1 1 2 1", "@median 1 1", "@dynamic 1 1"}) {
        notes.reset();
        ASSERT_NE(ramImageHist(out, HIST_RECOMPUTE, 1, 1), nullptr);
        EXPECT_EQ(PROGRAM_DONE, run({"-in", in->tag, "-out", out->tag, "-b", "1:2", "-kn", kernel}))
            << kernel;
        EXPECT_EQ(1, notes.data) << kernel;
        EXPECT_EQ(0, notes.config) << kernel;
        EXPECT_TRUE(out->stats[0].valid) << kernel;
        EXPECT_FALSE(out->stats[1].valid) << kernel;
    }
    float row[3];
    getRowFloat(out, 1, 0, 3, 1, row);
    EXPECT_EQ(4.0f, row[0]);
    EXPECT_EQ(6.0f, row[2]);

    /* A refused run tells nobody. */
    notes.reset();
    EXPECT_EQ(PROGRAM_FAILED, run({"-in", in->tag, "-out", out->tag, "-kn", "@2D 1"}));
    EXPECT_EQ(0, notes.data);
    EXPECT_EQ("Error in parsing conv kernel.\n", stderrText());
    progReleaseImage(in);
    progReleaseImage(out);
}

TEST_F(GconvProgram, NewOutputFileHoldsTheRowsOnceReleased)
{
    RAMIMG *in = openFile("in.img");
    ASSERT_NE(in, nullptr);
    const unsigned char rows[2][3] = {{10, 20, 30}, {40, 50, 60}};
    putRowByte(in, 0, 0, 3, 1, rows[0]);
    putRowByte(in, 1, 0, 3, 1, rows[1]);
    std::string out = path("new.bmp");
    EXPECT_EQ(PROGRAM_DONE, run({"-in", in->tag, "-out", out, "-kn", "@2D 3 1 1 1 1", "-norm",
                                 "yes"}));
    EXPECT_EQ(nullptr, getRAMImageByName(out.c_str()));  /* let go */

    int err = -1;
    RAMIMG *made = progOpenImage(out.c_str(), &err);
    ASSERT_NE(made, nullptr) << err;
    EXPECT_EQ(IMGID_DIB, made->head.imgid);
    EXPECT_EQ(3, made->head.nbands);
    float values[3];
    getRowFloat(made, 1, 0, 3, 1, values);
    /* means of 40 40 50, 40 50 60 and 50 60 60 */
    EXPECT_EQ(43.0f, values[0]);
    EXPECT_EQ(50.0f, values[1]);
    EXPECT_EQ(57.0f, values[2]);
    EXPECT_EQ("", stderrText());
    progReleaseImage(made);
    progReleaseImage(in);
}

/* ---- Every pixel against the plain sums ------------------------------------ */

/* A PPM (three bands) or PGM (one) picture of pseudo-random bytes. */
struct Picture {
    int rows, columns, nbands;
    std::vector<unsigned char> bytes;       /* pixel-interleaved, top row first */

    /* The sample the kernels see: rows and columns beyond repeat the edge. */
    float at(int r, int c, int b) const
    {
        r = r < 0 ? 0 : r >= rows ? rows - 1 : r;
        c = c < 0 ? 0 : c >= columns ? columns - 1 : c;
        return (float)bytes[((size_t)r * columns + c) * nbands + b];
    }
};

Picture makePicture(int rows, int columns, int nbands, unsigned seed)
{
    Picture picture{rows, columns, nbands, {}};
    picture.bytes.resize((size_t)rows * columns * nbands);
    for (unsigned char &byte : picture.bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = (unsigned char)(seed >> 16);
    }
    return picture;
}

bool writePicture(const std::string &file, const Picture &picture)
{
    char header[64];
    snprintf(header, sizeof header, "P%d\n%d %d\n255\n", picture.nbands == 3 ? 6 : 5,
             picture.columns, picture.rows);
    std::vector<unsigned char> bytes(header, header + strlen(header));
    bytes.insert(bytes.end(), picture.bytes.begin(), picture.bytes.end());
    return registry_fixtures::writeFile(file, bytes);
}

/* A kernel as its text and as the weights it means after -norm and -fb. */
struct KernelCase {
    const char *text;
    bool separable;
    int nx, ny;
    std::vector<float> weights;             /* 2-D: nx x ny; separable: nx then ny */
    bool norm, feedback;
};

void normalise(float *weights, int n)
{
    float sum = 0.0f;
    for (int k = 0; k < n; k++) {
        sum += weights[k];
    }
    if (sum != 0.0f) {
        for (int k = 0; k < n; k++) {
            weights[k] /= sum;
        }
    }
}

/* Band b of the filtered picture, row by row, summed as the plain loops do. */
std::vector<float> plainFilter(const Picture &in, const KernelCase &kc, int b)
{
    std::vector<float> w = kc.weights;
    int nx = kc.nx, ny = kc.ny;
    std::vector<float> out((size_t)in.rows * in.columns);
    if (!kc.separable) {
        if (kc.norm) {
            normalise(w.data(), nx * ny);
        }
        if (kc.feedback) {
            w[(size_t)(ny / 2) * nx + nx / 2] += 1.0f;
        }
        for (int r = 0; r < in.rows; r++) {
            for (int c = 0; c < in.columns; c++) {
                float sum = 0.0f;
                for (int k = 0; k < ny; k++) {
                    for (int m = 0; m < nx; m++) {
                        sum += w[(size_t)k * nx + m] * in.at(r - ny / 2 + k, c - nx / 2 + m, b);
                    }
                }
                out[(size_t)r * in.columns + c] = sum;
            }
        }
        return out;
    }
    float *across = w.data(), *down = w.data() + nx;
    if (kc.norm) {
        normalise(across, nx);
        normalise(down, ny);
    }
    if (kc.feedback) {
        across[nx / 2] += 1.0f;
        down[ny / 2] += 1.0f;
    }
    std::vector<float> rowsAcross((size_t)in.rows * in.columns);
    for (int r = 0; r < in.rows; r++) {
        for (int c = 0; c < in.columns; c++) {
            float sum = 0.0f;
            for (int m = 0; m < nx; m++) {
                sum += across[m] * in.at(r, c - nx / 2 + m, b);
            }
            rowsAcross[(size_t)r * in.columns + c] = sum;
        }
    }
    for (int r = 0; r < in.rows; r++) {
        for (int c = 0; c < in.columns; c++) {
            float sum = 0.0f;
            for (int k = 0; k < ny; k++) {
                int q = r - ny / 2 + k;
                q = q < 0 ? 0 : q >= in.rows ? in.rows - 1 : q;
                sum += down[k] * rowsAcross[(size_t)q * in.columns + c];
            }
            out[(size_t)r * in.columns + c] = sum;
        }
    }
    return out;
}

/* A float stored into a byte pixel: clamped, halves rounded up. */
unsigned char storedByte(float v)
{
    if (v >= 255.0f) {
        return 255;
    }
    if (v < 0.0f) {
        return 0;
    }
    return (unsigned char)clampToInt((double)v + 0.5);
}

TEST_F(GconvProgram, EveryPixelHasTheBitsOfThePlainSum)
{
    const KernelCase kernels[] = {
        {"@2D 3 3 1 2 1 2 4 2 1 2 1", false, 3, 3, {1, 2, 1, 2, 4, 2, 1, 2, 1}, false, false},
        {"@2D 3 3 -1 -1 -1 -1 8 -1 -1 -1 -1", false, 3, 3, {-1, -1, -1, -1, 8, -1, -1, -1, -1},
         false, false},
        {"@2D 3 3 0.1 0.2 0.3 -0.4 1.7 0.05 0.333 -0.25 0.125", false, 3, 3,
         {0.1f, 0.2f, 0.3f, -0.4f, 1.7f, 0.05f, 0.333f, -0.25f, 0.125f}, true, false},
        {"@2D 5 3 0.3 -1.1 2.2 0.7 0.01 3 1 4 1 5 -9 2 6 -5 3", false, 5, 3,
         {0.3f, -1.1f, 2.2f, 0.7f, 0.01f, 3, 1, 4, 1, 5, -9, 2, 6, -5, 3}, false, true},
        {"@2D 2 2 1 0.5 0.25 0.125", false, 2, 2, {1, 0.5f, 0.25f, 0.125f}, true, true},
        {"@1Ds 5 3 0.1 0.2 0.4 0.2 0.1 -1 3 -1", true, 5, 3,
         {0.1f, 0.2f, 0.4f, 0.2f, 0.1f, -1, 3, -1}, true, false},
        {"@1Ds 3 3 1 2 1 1 2 1", true, 3, 3, {1, 2, 1, 1, 2, 1}, false, true},
        /* whole weights at and past what byte rows are summed in integers with */
        {"@2D 3 1 -64 0 64", false, 3, 1, {-64, 0, 64}, false, false},
        {"@2D 1 1 128", false, 1, 1, {128}, false, false},
        {"@2D 1 1 127", false, 1, 1, {127}, false, true},
        {"@2D 3 1 -100 0 29", false, 3, 1, {-100, 0, 29}, false, false},
        {"@2D 3 3 1 2 1 2 4 2 1 2 1", false, 3, 3, {1, 2, 1, 2, 4, 2, 1, 2, 1}, true, false},
    };
    struct Shape {
        int rows, columns;
    };
    const Shape shapes[] = {{1, 1}, {3, 2}, {5, 17}, {9, 37}, {4, 40}};
    unsigned seed = 7;
    int outputs = 0;
    for (int nbands : {3, 1}) {
        for (const Shape &shape : shapes) {
            Picture picture = makePicture(shape.rows, shape.columns, nbands, seed++);
            std::string inFile = path(nbands == 3 ? "in.ppm" : "in.pgm");
            ASSERT_TRUE(writePicture(inFile, picture));
            for (const KernelCase &kc : kernels) {
                SCOPED_TRACE(std::string(kc.text) + " on " + std::to_string(nbands) + " bands of "
                             + std::to_string(shape.rows) + " x " + std::to_string(shape.columns));
                std::vector<std::string> words = {"-in", inFile, "-kn", kc.text};
                if (kc.norm) {
                    words.insert(words.end(), {"-norm", "yes"});
                }
                if (kc.feedback) {
                    words.insert(words.end(), {"-fb", "yes"});
                }
                auto withOut = [&](const std::string &out) {
                    std::vector<std::string> all = words;
                    all.insert(all.end(), {"-out", out});
                    return all;
                };

                /* A new DIB file made by the program. */
                std::string dib = path("out.bmp");
                remove(dib.c_str());
                ASSERT_EQ(PROGRAM_DONE, run(withOut(dib))) << stderrText();

                /* A float image in memory, and a new BIP file whose cache of
                 * two rows per band is written back again and again. */
                /* Names of their own: the fixture frees them at the end. */
                std::string name = std::to_string(++outputs);
                ImageHead head = memoryHead(IMGID_MBSQ, PIXEL_FLOAT, shape.rows, shape.columns,
                                            nbands);
                std::string memoryName = path(("memory" + name).c_str());
                snprintf(head.file, sizeof head.file, "%s", memoryName.c_str());
                int err = 0;
                RAMIMG *floats = openRAMImageNew(&head, NULL, 0, &err);
                ASSERT_NE(floats, nullptr) << err;
                ASSERT_EQ(PROGRAM_DONE, run(withOut(floats->tag))) << stderrText();
                std::string bipFile = path(("out" + name + ".bip").c_str());
                head = registry_fixtures::templateHead(IMGID_BIP, PIXEL_BYTE, shape.rows,
                                                       shape.columns, nbands);
                snprintf(head.file, sizeof head.file, "%s", bipFile.c_str());
                RAMIMG *bip = openRAMImageNew(&head, NULL, 0, &err);
                ASSERT_NE(bip, nullptr) << err;
                setRAMImageBuf(bip, 2);
                ASSERT_EQ(PROGRAM_DONE, run(withOut(bip->tag))) << stderrText();
                ASSERT_EQ(1, flushRamImage(bip));
                invalidateRowCache(bip);

                RAMIMG *made = progOpenImage(dib.c_str(), &err);
                ASSERT_NE(made, nullptr) << err;
                ASSERT_EQ(nbands, made->head.nbands);
                std::vector<float> gotFloats((size_t)shape.columns);
                std::vector<unsigned char> gotDib((size_t)shape.columns);
                std::vector<unsigned char> gotBip((size_t)shape.columns);
                int wrong = 0;
                for (int b = 0; b < nbands; b++) {
                    std::vector<float> want = plainFilter(picture, kc, b);
                    for (int r = 0; r < shape.rows; r++) {
                        getRowFloat(floats, r, 0, shape.columns, b, gotFloats.data());
                        getRowByte(made, r, 0, shape.columns, b, gotDib.data());
                        getRowByte(bip, r, 0, shape.columns, b, gotBip.data());
                        for (int c = 0; c < shape.columns; c++) {
                            float sum = want[(size_t)r * shape.columns + c];
                            unsigned char byte = storedByte(sum);
                            if (memcmp(&sum, &gotFloats[(size_t)c], sizeof sum) != 0
                                || gotDib[(size_t)c] != byte || gotBip[(size_t)c] != byte) {
                                if (wrong++ < 5) {
                                    ADD_FAILURE() << "band " << b << " row " << r << " column "
                                                  << c << ": want " << sum << " (" << (int)byte
                                                  << "), float " << gotFloats[(size_t)c]
                                                  << ", DIB " << (int)gotDib[(size_t)c]
                                                  << ", BIP " << (int)gotBip[(size_t)c];
                                }
                            }
                        }
                    }
                }
                EXPECT_EQ(0, wrong);
                progReleaseImage(made);
                closeRAMImage(bip, NULL);
                closeRAMImage(floats, NULL);
            }
        }
    }
}

}  // namespace
