// Pictures of the include graph, drawn from its DOT text by Graphviz's
// library (libgvc and libcgraph) inside the process.
#ifndef CLUDEMAP_GRAPH_RENDER_H_
#define CLUDEMAP_GRAPH_RENDER_H_

#include <string>
#include <string_view>
#include <vector>

struct RenderRequest {
  std::string format;          // a picture format: "svg", "png" or "pdf"
  std::string engine = "dot";  // a Graphviz layout engine, as knownEngine() lists
};

// What the tool prints where the build has no rendering (renderingAvailable()
// is false) and a picture format was asked for.
inline constexpr std::string_view kRenderingUnavailableMessage =
    "cludemap: this build cannot render pictures (built without Graphviz's library); "
    "write DOT and run dot -Tsvg\n";

// False where the tool was built without Graphviz's library (the Windows
// cross build); GraphRenderer::render() then always fails.
bool renderingAvailable();

// The output formats the command line takes: "dot" (the DOT text itself,
// written without Graphviz) and the picture formats.
bool knownFormat(std::string_view format);
// The formats GraphRenderer draws: "svg", "png" and "pdf".
bool pictureFormat(std::string_view format);
// Graphviz's layout engines: circo, dot, fdp, neato, osage, patchwork, sfdp
// and twopi. Builds of Graphviz may lack some; GraphRenderer says so.
bool knownEngine(std::string_view engine);

struct GVC_s;

// Graphviz's library, loaded and ready to draw. Make one and keep it for
// every picture of the process: Graphviz 2.42's text layout plugin keeps a
// pointer into the font table of the context it last worked for, and reads
// it when a later context draws text, after the first one freed it. Not for
// use on two threads at once: Graphviz keeps state process-wide.
class GraphRenderer {
 public:
  GraphRenderer();
  ~GraphRenderer();
  GraphRenderer(const GraphRenderer&) = delete;
  GraphRenderer& operator=(const GraphRenderer&) = delete;

  // Lays out the DOT graph `dotText` with the request's engine and draws it
  // in its format into `bytes`. PNG is drawn at Graphviz's 96 dots per inch:
  // each side has round(points * 4 / 3) pixels, where the SVG gives its size
  // in points, except that a PNG drawing is scaled down to fit 340 inches
  // (32640 pixels) a side, as cairo draws no larger bitmaps. Returns false,
  // with `bytes` empty and a one-line reason in `*error` (when given), for an
  // unknown format or engine, a graph Graphviz cannot read, a failed layout
  // or drawing, or a build without rendering. Graphviz prints nothing
  // meanwhile.
  bool render(std::string_view dotText, const RenderRequest& request, std::string& bytes,
              std::string* error);

 private:
  GVC_s* context_ = nullptr;  // null where there is no rendering
};

#endif  // CLUDEMAP_GRAPH_RENDER_H_
