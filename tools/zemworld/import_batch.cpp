// Pictures that share one palette, worked on so that a build's memory is
// bounded by its largest picture rather than by the sum of them: each is
// made (decoded and prepared) once for the palette's histogram, which keeps
// only a sample of it, and kept for the mapping only while the kept ones
// stay small; the others are made again when their turn comes.
#include <algorithm>

#include "tools/zemworld/import.h"

// What a batch keeps of made pictures between histogram and mapping.
static const int64_t KeptBytes = 96ll << 20;
// Histogram samples of one batch, at most: a location of a thousand sprite
// frames gets thinner samples of each rather than a gigabyte of them.
static const double SampledPixels = 8e6;

void AddToBatch(Batch* batch, int64_t pixels, std::function<int(Rgba*)> make) {
    batch->items.push_back({std::move(make), pixels});
}

int SampleBatch(Batch* batch, PaletteRequest* request) {
    size_t n = batch->items.size();
    batch->kept.assign(n, Rgba());
    batch->samples.assign(n, Rgba());
    double planned = 0;
    for (const BatchItem& item : batch->items) planned += std::min<double>((double)item.pixels, HistogramPixels);
    double most = HistogramPixels * std::min(1.0, SampledPixels / std::max(1.0, planned));
    int64_t kept = 0;
    for (size_t i = 0; i < n; i++) {
        Rgba made;
        if (!batch->items[i].make(&made)) return 0;
        int64_t bytes = (int64_t)made.pixels.size();
        int keep = kept + bytes <= KeptBytes;
        if (HistogramStep(made, most) > 1)
            batch->samples[i] = HistogramSample(made, most);
        else if (!keep)
            batch->samples[i] = made;
        if (keep) {
            kept += bytes;
            batch->kept[i] = std::move(made);
        }
    }
    for (size_t i = 0; i < n; i++)
        request->pictures.push_back(batch->samples[i].width ? &batch->samples[i] : &batch->kept[i]);
    return 1;
}

int TakeFromBatch(Batch* batch, size_t i, Rgba* out) {
    if (i < batch->kept.size() && batch->kept[i].width) {
        *out = std::move(batch->kept[i]);
        batch->kept[i] = Rgba();
        return 1;
    }
    return batch->items[i].make(out);
}
