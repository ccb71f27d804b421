unit CompDate;

// Build: 12
// Internal: 3

// automatically created by Fleetforge v0.0.1 (build 18)

interface

var
  CompileBuild       :Integer   = 12;
  CompileBuildStr    :String    = '12';
  CompileInternal    :Integer   = 3;
  CompileInternalStr :String    = '3';
  CompileDate        :String    = '2004/9/29';
  CompileTime        :String    = '14:05:09';
  CompileDateTime    :TDateTime = 3.82595869097222E+0004;

implementation

end.
