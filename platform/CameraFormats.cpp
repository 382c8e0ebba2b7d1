#include "platform/CameraFormats.h"

#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/CameraDevice.h"
#include "platform/GstHandles.h"

using namespace gsthandles;

namespace {

// The values of a field: a single value, or every member of a list.
std::vector<const GValue*> Values(const GstStructure* structure, const char* field) {
    std::vector<const GValue*> values;
    const GValue* value = gst_structure_get_value(structure, field);
    if (value == nullptr) return values;
    if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) values.push_back(gst_value_list_get_value(value, i));
    } else {
        values.push_back(value);
    }
    return values;
}

std::vector<int> Sides(const GstStructure* structure, const char* field, int want) {
    std::vector<int> sides;
    for (const GValue* value : Values(structure, field)) {
        if (G_VALUE_HOLDS_INT(value)) {
            sides.push_back(g_value_get_int(value));
        } else if (GST_VALUE_HOLDS_INT_RANGE(value)) {
            sides.push_back(std::clamp(want, gst_value_get_int_range_min(value), gst_value_get_int_range_max(value)));
        }
    }
    return sides;
}

struct Rate {
    int num = 0;
    int den = 1;
};

std::vector<Rate> Rates(const GstStructure* structure) {
    std::vector<Rate> rates;
    for (const GValue* value : Values(structure, "framerate")) {
        if (GST_VALUE_HOLDS_FRACTION(value)) {
            rates.push_back({gst_value_get_fraction_numerator(value), gst_value_get_fraction_denominator(value)});
        } else {
            rates.push_back({});  // a range: the device chooses
        }
    }
    if (rates.empty()) rates.push_back({});
    return rates;
}

double Fps(const CameraFormat& format) {
    return format.rateNum == 0 || format.rateDen == 0 ? 0.0 : static_cast<double>(format.rateNum) / format.rateDen;
}

}  // namespace

std::string CameraFormat::Describe() const {
    std::string name = !format.empty() ? format : media == "image/jpeg" ? "MJPEG" : media;
    std::string text = name + " " + std::to_string(width) + " x " + std::to_string(height);
    if (rateNum != 0 && rateDen != 0) {
        const double fps = Fps(*this);
        char buffer[32];
        if (rateNum % rateDen == 0) {
            std::snprintf(buffer, sizeof buffer, "%d", rateNum / rateDen);
        } else {
            std::snprintf(buffer, sizeof buffer, "%.2f", fps);
        }
        text += std::string(", ") + buffer + " fps";
    }
    return text;
}

std::int64_t CameraFormat::FramePeriod() const {
    if (rateNum <= 0 || rateDen <= 0) return 0;
    return static_cast<std::int64_t>(10000000) * rateDen / rateNum;
}

std::vector<CameraFormat> FormatsFromCaps(const std::string& capsText, int wantWidth, int wantHeight) {
    std::vector<CameraFormat> formats;
    if (!EnsureGStreamer()) return formats;
    CapsPtr caps(gst_caps_from_string(capsText.c_str()));
    if (!caps || gst_caps_is_any(caps.get())) return formats;
    for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i) {
        const GstStructure* structure = gst_caps_get_structure(caps.get(), i);
        const std::string media = gst_structure_get_name(structure);
        std::vector<std::string> layouts;
        for (const GValue* value : Values(structure, "format")) {
            if (G_VALUE_HOLDS_STRING(value)) layouts.emplace_back(g_value_get_string(value));
        }
        if (layouts.empty()) layouts.emplace_back();
        const std::vector<int> widths = Sides(structure, "width", wantWidth);
        const std::vector<int> heights = Sides(structure, "height", wantHeight);
        const std::vector<Rate> rates = Rates(structure);
        for (const std::string& layout : layouts) {
            for (int width : widths) {
                for (int height : heights) {
                    for (const Rate& rate : rates) {
                        formats.push_back({media, layout, width, height, rate.num, rate.den});
                    }
                }
            }
        }
    }
    return formats;
}

CameraFormat ChooseFormat(const std::vector<CameraFormat>& offered, int width, int height, std::int64_t framePeriod) {
    if (offered.empty()) return {"video/x-raw", "", width, height, 0, 1};
    // The nearest size: the least sum of the differences of the two sides; the first wins a tie.
    const auto distance = [&](const CameraFormat& f) {
        return std::llabs(static_cast<long long>(f.width) - width) + std::llabs(static_cast<long long>(f.height) - height);
    };
    const CameraFormat* best = &offered.front();
    for (const CameraFormat& f : offered) {
        if (distance(f) < distance(*best)) best = &f;
    }
    CameraFormat chosen = *best;
    if (framePeriod <= 0) {
        chosen.rateNum = 0;
        chosen.rateDen = 1;
        return chosen;
    }
    const double wantFps = 1e7 / static_cast<double>(framePeriod);
    double bestGap = std::numeric_limits<double>::infinity();
    for (const CameraFormat& f : offered) {
        if (f.media != chosen.media || f.format != chosen.format || f.width != chosen.width ||
            f.height != chosen.height) {
            continue;
        }
        const double gap = Fps(f) == 0.0 ? std::numeric_limits<double>::max() : std::fabs(Fps(f) - wantFps);
        if (gap < bestGap) {
            bestGap = gap;
            chosen = f;
        }
    }
    if (chosen.rateNum == 0) {
        // The device's rate is open: ask for the stored one itself.
        gst_util_double_to_fraction(wantFps, &chosen.rateNum, &chosen.rateDen);
    }
    return chosen;
}

std::string RequestCaps(const CameraFormat& format) {
    if (!EnsureGStreamer() || format.media.empty()) return {};
    GstStructure* structure = gst_structure_new_empty(format.media.c_str());
    if (!format.format.empty()) gst_structure_set(structure, "format", G_TYPE_STRING, format.format.c_str(), nullptr);
    if (format.width > 0 && format.height > 0) {
        gst_structure_set(structure, "width", G_TYPE_INT, format.width, "height", G_TYPE_INT, format.height, nullptr);
    }
    if (format.rateNum > 0 && format.rateDen > 0) {
        gst_structure_set(structure, "framerate", GST_TYPE_FRACTION, format.rateNum, format.rateDen, nullptr);
    }
    CapsPtr caps(gst_caps_new_full(structure, nullptr));
    TextPtr text(gst_caps_to_string(caps.get()));
    return text ? std::string(text.get()) : std::string();
}
