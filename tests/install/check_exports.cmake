execute_process(COMMAND ${NM} -D -C --defined-only ${LIB} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed")
endif()
foreach(required "fnQVROptKer" "nQVROptKer" "CQVROptKer::ReadMeshData" "Cnode::copy"
                 "CQVROptKer::SetMeshArrays" "QVR3DExtractTool::SetMeshArrays"
                 "QVR3DExtractTool::SetFiberValues"
                 "CRayData::operator=" "QVR3DExtractTool::GetWallRay"
                 "QVR3DExtractTool::SetThreadCount" "QVR3DExtractTool::GetThreadCount"
                 "QVR3DExtractTool::GetKernel" "QVR3DExtractTool::SetQuietReading"
                 "CQVROptKer::SetQuietReading" "CQVROptKer::GetMeshUnitText"
                 "CQVROptKer::GetSurfaceCountInFile"
                 "CQVROptKer::ComputeNodeSurfaceNormal(double*, double*, double*) const")
  string(FIND "${symbols}" "${required}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing export: ${required}")
  endif()
endforeach()
foreach(internal "CQvrADT" "NQBIO" "CFEM_" "CQVR3DResultReader" "CExtractToolData" "qvr::"
                 "nqbio::" "k7t::" "CQVRKNLogErrMsgTool::")
  string(FIND "${symbols}" "${internal}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "internal symbol exported: ${internal}")
  endif()
endforeach()
