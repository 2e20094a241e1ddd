// A temporary folder made for one test and removed with everything in it afterwards.
#pragma once

#include "ui/Types.h"

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const String& Path() const { return path_; }

 private:
  String path_;
};
