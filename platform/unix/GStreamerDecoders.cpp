#include "GStreamerDecoders.h"

#include <dlfcn.h>

#include <cstdint>

namespace {

// The few GStreamer calls needed, taken from the library at run time: the program does not link
// GStreamer itself (the toolkit's media plug-in does), and a system without it still runs.
using InitCheck = int (*)(int *, char ***, void **);
using FactoryFind = void *(*)(const char *);
using ObjectUnref = void (*)(void *);
using ListElements = void *(*)(std::uint64_t, int);
using CapsFromString = void *(*)(const char *);
using ListFilter = void *(*)(void *, void *, int, int);
using ListFree = void (*)(void *);
using CapsUnref = void (*)(void *);

constexpr std::uint64_t decoderType = std::uint64_t(1) << 0;   // GST_ELEMENT_FACTORY_TYPE_DECODER
constexpr std::uint64_t audioMedia = std::uint64_t(1) << 50;   // GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO
constexpr int marginalRank = 64;                               // GST_RANK_MARGINAL
constexpr int sinkPad = 2;                                     // GST_PAD_SINK

template<typename Function>
Function symbol(void *library, const char *name)
{
    return reinterpret_cast<Function>(dlsym(library, name));
}

} // namespace

bool gstreamerCanPlayMp3()
{
    // Stays loaded: the media back end uses the same library.
    void *gst = dlopen("libgstreamer-1.0.so.0", RTLD_LAZY | RTLD_GLOBAL);
    if (!gst)
        return false;
    const auto initCheck = symbol<InitCheck>(gst, "gst_init_check");
    const auto factoryFind = symbol<FactoryFind>(gst, "gst_element_factory_find");
    const auto objectUnref = symbol<ObjectUnref>(gst, "gst_object_unref");
    const auto listElements = symbol<ListElements>(gst, "gst_element_factory_list_get_elements");
    const auto capsFromString = symbol<CapsFromString>(gst, "gst_caps_from_string");
    const auto listFilter = symbol<ListFilter>(gst, "gst_element_factory_list_filter");
    const auto listFree = symbol<ListFree>(gst, "gst_plugin_feature_list_free");
    const auto capsUnref = symbol<CapsUnref>(gst, "gst_caps_unref");
    if (!initCheck || !factoryFind || !objectUnref || !listElements || !capsFromString || !listFilter
        || !listFree || !capsUnref || !initCheck(nullptr, nullptr, nullptr))
        return true; // cannot tell: let the player try

    void *playbin = factoryFind("playbin");
    if (!playbin)
        return false;
    objectUnref(playbin);

    void *decoders = listElements(decoderType | audioMedia, marginalRank);
    void *mp3 = capsFromString("audio/mpeg, mpegversion=(int)1, layer=(int)3");
    void *able = listFilter(decoders, mp3, sinkPad, 0);
    const bool found = able != nullptr;
    listFree(able);
    listFree(decoders);
    capsUnref(mp3);
    return found;
}
