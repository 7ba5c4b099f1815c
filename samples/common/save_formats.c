#include "save_formats.h"

#include "KelvoSdk_Q12.h"

const KelvoSaveFormat kKelvoSaveFormats[KELVO_SAVE_FORMAT_COUNT] = {
    {KELVO_SAVE_BMP, "bmp"},
    {KELVO_SAVE_RAW, "raw"},
    {KELVO_SAVE_JPEG_HIGH, "q100.jpg"},
    {KELVO_SAVE_JPEG_MEDIUM, "q70.jpg"},
    {KELVO_SAVE_JPEG_LOW, "q20.jpg"},
    {KELVO_SAVE_PNG, "png"},
    {KELVO_SAVE_TIFF, "tif"}};
