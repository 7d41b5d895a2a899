// Writes a rendered image in the format its file name's extension names:
//   .exr, .tif, .tiff  float data, written as rendered (1 channel "Y" for a
//                      scalar or integer shader, RGBA for a colour shader);
//                      a crop keeps the full frame as the display window and
//                      sits at its place in it (data window / position);
//   .png               8 bits for looking at: colour channels taken as linear
//                      and encoded with the sRGB curve, alpha linear;
//   .pfm               float data as rendered, without alpha (pfm_writer.h).
// The first four go through OpenImageIO, in the image module (image_module.h);
// .pfm is written here, and needs neither.
// The scene, the shader and its parameters go into the file's metadata: in
// ImageDescription in every format but PFM, and as qzrender:scene,
// qzrender:shader, qzrender:parameters and qzrender:samples where the format
// keeps such attributes (EXR, PNG).
#pragma once

#include <string>

#include "image_module.h"
#include "render_settings.h"

namespace qzrender {

struct ImageMetadata {
  std::string scene;
  std::string shader;
  std::string parameters; // the network, as describeNetwork gives it
};

// Empty when the extension is one qzrender writes, else why not.
std::string checkImageName(const std::string &path);

// Whether the format of `formatName`'s extension is written by the image module.
bool needsImageModule(const std::string &formatName);

// Writes to `file` (a temporary path) in the format of `formatName`'s
// extension; `module` is used, and must be loaded, when needsImageModule.
// Throws std::runtime_error.
void writeImage(const std::string &file, const std::string &formatName, const Image &image,
                const RenderSettings &settings, const ImageMetadata &metadata, const ImageModule *module);

} // namespace qzrender
