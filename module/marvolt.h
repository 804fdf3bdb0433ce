// CMarvolt: the module's only class, exported empty.
#pragma once

class __declspec(dllexport) CMarvolt {
  public:
    CMarvolt& operator=(const CMarvolt& other);
};
