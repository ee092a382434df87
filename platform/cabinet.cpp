#include "platform/cabinet.h"

#include <gio/gio.h>
#include <libgcab.h>

namespace qmx2::platform {
namespace {

template <typename T>
struct Unref {
    T* p = nullptr;
    ~Unref() {
        if (p) g_object_unref(p);
    }
};

bool Fail(GError* e, const std::string& what, std::string* error) {
    if (error) *error = what + (e ? std::string(": ") + e->message : std::string());
    if (e) g_error_free(e);
    return false;
}

}  // namespace

bool WriteCabinet(const std::string& host_path, const std::vector<CabinetFile>& files,
                  std::string* error) {
    Unref<GCabCabinet> cab{gcab_cabinet_new()};
    Unref<GCabFolder> folder{gcab_folder_new(GCAB_COMPRESSION_MSZIP)};
    GDateTime* when = g_date_time_new_utc(2026, 1, 1, 0, 0, 0);
    GError* e = nullptr;
    for (const auto& f : files) {
        GBytes* bytes = g_bytes_new(f.data.data(), f.data.size());
        Unref<GCabFile> file{gcab_file_new_with_bytes(f.name.c_str(), bytes)};
        g_bytes_unref(bytes);
        gcab_file_set_date_time(file.p, when);
        if (!gcab_folder_add_file(folder.p, file.p, FALSE, nullptr, &e)) {
            g_date_time_unref(when);
            return Fail(e, "cannot add " + f.name + " to " + host_path, error);
        }
    }
    g_date_time_unref(when);
    if (!gcab_cabinet_add_folder(cab.p, folder.p, &e)) return Fail(e, "cannot make " + host_path, error);
    Unref<GFile> out{g_file_new_for_path(host_path.c_str())};
    Unref<GFileOutputStream> stream{
        g_file_replace(out.p, nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, &e)};
    if (!stream.p) return Fail(e, "cannot write " + host_path, error);
    if (!gcab_cabinet_write_simple(cab.p, G_OUTPUT_STREAM(stream.p), nullptr, nullptr, nullptr, &e) ||
        !g_output_stream_close(G_OUTPUT_STREAM(stream.p), nullptr, &e))
        return Fail(e, "cannot write " + host_path, error);
    return true;
}

bool ReadCabinet(const std::string& host_path, std::vector<CabinetFile>* files, std::string* error,
                 size_t max_bytes) {
    files->clear();
    GError* e = nullptr;
    Unref<GFile> in{g_file_new_for_path(host_path.c_str())};
    Unref<GFileInputStream> stream{g_file_read(in.p, nullptr, &e)};
    if (!stream.p) return Fail(e, "cannot open " + host_path, error);
    Unref<GCabCabinet> cab{gcab_cabinet_new()};
    if (!gcab_cabinet_load(cab.p, G_INPUT_STREAM(stream.p), nullptr, &e))
        return Fail(e, host_path + " is not a cabinet", error);
    size_t total = 0;
    GPtrArray* folders = gcab_cabinet_get_folders(cab.p);
    for (guint i = 0; i < folders->len; ++i) {
        GSList* list = gcab_folder_get_files(GCAB_FOLDER(g_ptr_array_index(folders, i)));
        for (GSList* l = list; l; l = l->next) total += gcab_file_get_size(GCAB_FILE(l->data));
        g_slist_free(list);
    }
    if (total > max_bytes) return Fail(nullptr, host_path + " holds more than it may", error);
    // Without a folder the files are extracted into memory.
    if (!gcab_cabinet_extract_simple(cab.p, nullptr, nullptr, nullptr, nullptr, &e))
        return Fail(e, host_path + " is damaged", error);
    for (guint i = 0; i < folders->len; ++i) {
        GSList* list = gcab_folder_get_files(GCAB_FOLDER(g_ptr_array_index(folders, i)));
        for (GSList* l = list; l; l = l->next) {
            GCabFile* f = GCAB_FILE(l->data);
            GBytes* bytes = gcab_file_get_bytes(f);
            CabinetFile out{gcab_file_get_name(f), {}};
            if (bytes) {
                gsize size = 0;
                const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
                out.data.assign(data, size);
            }
            if (out.data.size() != gcab_file_get_size(f)) {
                g_slist_free(list);
                return Fail(nullptr, host_path + " is damaged", error);
            }
            files->push_back(std::move(out));
        }
        g_slist_free(list);
    }
    return true;
}

}  // namespace qmx2::platform
