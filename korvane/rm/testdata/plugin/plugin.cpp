// A minimal plug-in shared object for the module container tests; its resources are embedded
// by korvane_embed_resources.
extern "C" __attribute__((visibility("default"))) int korvane_test_plugin_answer() {
    return 42;
}
