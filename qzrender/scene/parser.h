// Reads a scene file of qzrender's subset of the renderer's scene language:
//
//   # comment
//   link "qzFractalMandelbrot.so"
//   $include "qzFractalMandelbrot.mi"
//   declare shader scalar "name" ( scalar "p" default 1.0, color "c", ... )
//       version 1
//       apply texture
//   end declare
//   shader "instance" "name" ( "p" 0.5, "c" 1 0 0 1, "q" = "otherInstance" )
//
// Everything else is an error at its place.
#pragma once

#include <string>

#include "scene.h"
#include "search_path.h"

namespace qzscene {

constexpr size_t kMaxParameters = 1024;
constexpr size_t kMaxInstances = 10000;
constexpr size_t kMaxLinks = 256;

Scene readScene(const std::string &path, const SearchPath &libraries, const SearchPath &includes);

} // namespace qzscene
