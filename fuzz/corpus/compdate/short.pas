unit CompDate;
