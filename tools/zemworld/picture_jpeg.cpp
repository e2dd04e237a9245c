// JPEG pictures through libjpeg-turbo: the header is read and the size
// judged before the decoder allocates for the picture. Damaged data is
// refused rather than drawn as grey; only the stray bytes some cameras leave
// before a marker are let pass. A progressive picture may have only so many
// scans, and the decoder only so much memory, so that a few kilobytes cannot
// keep it busy for minutes.
#include <cstdio>
#include <csetjmp>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "tools/zemworld/import.h"

static const int MostScans = 100;
static const long MostDecoderBytes = 256l << 20;
static const size_t BufferBytes = 65536;

namespace {
struct JpegJob {
    jpeg_error_mgr errors;
    jpeg_source_mgr source;
    jpeg_progress_mgr progress;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    const SourceReader* reader;
    int64_t at;
    JOCTET buffer[BufferBytes];
    std::vector<uint8_t> row;
};
}  // namespace

static JpegJob* JobOf(j_common_ptr cinfo) { return (JpegJob*)cinfo->client_data; }

static void Fail(j_common_ptr cinfo) {
    JpegJob* job = JobOf(cinfo);
    cinfo->err->format_message(cinfo, job->message);
    longjmp(job->jump, 1);
}

static void Message(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // traces
    if (cinfo->err->msg_code == JWRN_EXTRANEOUS_DATA) return;
    Fail(cinfo);
}

static void Progress(j_common_ptr cinfo) {
    j_decompress_ptr d = (j_decompress_ptr)cinfo;
    if (d->input_scan_number > MostScans) {
        JpegJob* job = JobOf(cinfo);
        std::snprintf(job->message, sizeof job->message, "more than %d scans", MostScans);
        longjmp(job->jump, 1);
    }
}

static void InitSource(j_decompress_ptr) {}
static void TermSource(j_decompress_ptr) {}

static boolean FillInput(j_decompress_ptr cinfo) {
    JpegJob* job = JobOf((j_common_ptr)cinfo);
    size_t got = SourceReadSome(*job->reader, job->at, job->buffer, BufferBytes);
    if (got == 0) {
        // The decoder's own way of meeting the end: a warning, which is
        // an error here.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        job->buffer[0] = 0xFF;
        job->buffer[1] = JPEG_EOI;
        got = 2;
    } else {
        job->at += (int64_t)got;
    }
    job->source.next_input_byte = job->buffer;
    job->source.bytes_in_buffer = got;
    return TRUE;
}

static void SkipInput(j_decompress_ptr cinfo, long count) {
    JpegJob* job = JobOf((j_common_ptr)cinfo);
    if (count <= 0) return;
    if ((size_t)count <= job->source.bytes_in_buffer) {
        job->source.next_input_byte += count;
        job->source.bytes_in_buffer -= (size_t)count;
        return;
    }
    job->at += count - (long)job->source.bytes_in_buffer;
    job->source.bytes_in_buffer = 0;
}

// Adobe's CMYK is stored inverted; the ink over white is c * k.
static void CmykToRgba(const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; x++, in += 4, out += 4) {
        out[0] = (uint8_t)(in[0] * in[3] / 255);
        out[1] = (uint8_t)(in[1] * in[3] / 255);
        out[2] = (uint8_t)(in[2] * in[3] / 255);
        out[3] = 255;
    }
}

static int Decode(jpeg_decompress_struct* cinfo, JpegJob* job, const PictureLimit& limit, Rgba* out,
                  int32_t* width, int32_t* height, std::string* why) {
    if (setjmp(job->jump)) return 0;
    jpeg_create_decompress(cinfo);
    cinfo->client_data = job;
    cinfo->mem->max_memory_to_use = MostDecoderBytes;
    cinfo->src = &job->source;
    cinfo->progress = &job->progress;
    jpeg_read_header(cinfo, TRUE);
    *width = (int32_t)cinfo->image_width;
    *height = (int32_t)cinfo->image_height;
    if (!PictureFits(*width, *height, limit, why)) return 0;
    if (!out) return 1;
    int cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(cinfo);
    if ((int32_t)cinfo->output_width != *width || (int32_t)cinfo->output_height != *height ||
        cinfo->output_components != 4)
        ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
    out->width = *width;
    out->height = *height;
    out->pixels.assign((size_t)*width * *height * 4, 0);
    if (cmyk) job->row.resize((size_t)*width * 4);
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* target = &out->pixels[(size_t)cinfo->output_scanline * *width * 4];
        JSAMPROW row = cmyk ? job->row.data() : target;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        if (cmyk) CmykToRgba(job->row.data(), target, *width);
    }
    jpeg_finish_decompress(cinfo);
    return 1;
}

int DecodeJpeg(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width,
               int32_t* height, std::string* why) {
    JpegJob* job = new JpegJob();
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&job->errors);
    job->errors.error_exit = Fail;
    job->errors.emit_message = Message;
    job->progress.progress_monitor = Progress;
    job->source.init_source = InitSource;
    job->source.fill_input_buffer = FillInput;
    job->source.skip_input_data = SkipInput;
    job->source.resync_to_restart = jpeg_resync_to_restart;
    job->source.term_source = TermSource;
    job->reader = &reader;
    job->at = 0;
    job->message[0] = 0;
    // The error manager is reachable before the decoder exists.
    cinfo.client_data = job;
    why->clear();
    int ok = Decode(&cinfo, job, limit, out, width, height, why);
    jpeg_destroy_decompress(&cinfo);
    if (!ok && why->empty()) *why = std::string("is a damaged JPEG (") + job->message + ")";
    if (!ok && out) *out = Rgba();
    delete job;
    return ok;
}
